#include "app/window/tidy/TidyFeature.h"

#include "app/features/FormatterCenter.h"
#include "app/kit/Localized.h"
#include "app/kit/Utf16.h"
#include "app/views/TextStorage.h"
#include "app/window/CommandMenu.h"
#include "app/window/DocumentWindowController.h"
#include "commands/CommandCatalog.h"
#include "core/TextBounds.h"
#include "features/PrettierEngine.h"
#include "platform/SerialQueue.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMenu>

#include <algorithm>
#include <map>

namespace EditorWindow {

namespace TextTidy = EditorCore::TextTidy;
using AppFeatures::FormatterCenter;
using EditorCore::TextRange;

namespace {

constexpr auto busyDelay = std::chrono::milliseconds(300);

Platform::SerialQueue& tidyQueue()
{
    // Never destroyed: a job may still run while static objects go at exit.
    static auto* queue = new Platform::SerialQueue("app.orlune.viewer.tidy");
    return *queue;
}

QString withNumbers(QString text, std::initializer_list<std::int64_t> numbers)
{
    for (const std::int64_t number : numbers) {
        const auto at = text.indexOf(QStringLiteral("%lld"));
        if (at < 0)
            break;
        text.replace(at, 4, QString::number(number));
    }
    return text;
}

QString withText(QString text, const QString& value)
{
    return text.replace(QStringLiteral("%@"), value);
}

TidyFeature::Outcome unchangedOnFailure(std::u16string result)
{
    return result;
}

} // namespace

TidyFeature::TidyFeature(std::int64_t workerThreshold)
    : m_workerThreshold(workerThreshold)
{
    m_busyTimer.setSingleShot(true);
    m_busyTimer.setInterval(busyDelay);
    connect(&m_busyTimer, &QTimer::timeout, this, [this] {
        if (m_pending > 0 && !m_busyShown) {
            m_busyShown = true;
            QGuiApplication::setOverrideCursor(Qt::BusyCursor);
        }
    });
}

TidyFeature::~TidyFeature()
{
    if (m_busyShown)
        QGuiApplication::restoreOverrideCursor();
}

void TidyFeature::attach(DocumentWindowController& window)
{
    m_window = &window;
}

void TidyFeature::detach()
{
    m_window = nullptr;
}

namespace {

const std::map<std::string_view, int>& actionTable()
{
    static const std::map<std::string_view, int> table = {
        {"formatText:", 0},
        {"minifyText:", 1},
        {"sortLinesAscending:", 2},
        {"sortLinesDescending:", 3},
        {"removeDuplicateLines:", 4},
        {"trimTrailingWhitespace:", 5},
        {"uppercaseText:", 6},
        {"lowercaseText:", 7},
        {"capitalizeText:", 8},
        {"showTidyMenu:", 9},
        {"showMultiMenu:", 10},
    };
    return table;
}

} // namespace

bool TidyFeature::respondsToAction(std::string_view action) const
{
    return actionTable().contains(action);
}

bool TidyFeature::validateAction(std::string_view action, const EditorKit::ActionSender&) const
{
    if (!m_window)
        return false;
    if (action == "showTidyMenu:" || action == "showMultiMenu:")
        return true;
    return m_window->textView()->isEditable();
}

void TidyFeature::performAction(std::string_view action, const EditorKit::ActionSender&)
{
    if (!m_window)
        return;
    const auto found = actionTable().find(action);
    if (found == actionTable().end())
        return;
    switch (found->second) {
    case 0:
        formatText();
        break;
    case 1:
        runTransform(Scope::selection, "한 줄로 줄이기", [](std::u16string_view text) {
            return TextTidy::minify(text);
        });
        break;
    case 2:
    case 3: {
        const bool descending = found->second == 3;
        runTransform(Scope::lines,
                     descending ? "줄 거꾸로 정렬" : "줄 정렬",
                     [descending](std::u16string_view text) {
                         return unchangedOnFailure(TextTidy::sortLines(text, descending));
                     });
        break;
    }
    case 4:
        runTransform(Scope::lines, "중복 줄 지우기", [](std::u16string_view text) {
            return unchangedOnFailure(TextTidy::removeDuplicateLines(text));
        });
        break;
    case 5:
        runTransform(Scope::lines, "끝 공백 지우기", [](std::u16string_view text) {
            return unchangedOnFailure(TextTidy::trimTrailingWhitespace(text));
        });
        break;
    case 6:
    case 7:
    case 8: {
        static constexpr TextTidy::Case cases[] = {
            TextTidy::Case::upper, TextTidy::Case::lower, TextTidy::Case::capitalized};
        static constexpr const char* titles[] = {"대문자로", "소문자로", "단어 첫 글자 대문자로"};
        const auto letterCase = cases[found->second - 6];
        runTransform(Scope::selection, titles[found->second - 6], [letterCase](auto text) {
            return unchangedOnFailure(TextTidy::changeCase(text, letterCase));
        });
        break;
    }
    case 9:
    case 10:
        showMenu(found->second == 9);
        break;
    default:
        break;
    }
}

// MARK: the frame

std::optional<TidyFeature::Request> TidyFeature::takeRequest(Scope scope, const char* title) const
{
    EditorViews::EditorTextView* view = m_window ? m_window->textView() : nullptr;
    if (!view || !view->isEditable())
        return std::nullopt;
    Request request;
    request.snapshot = view->text();
    request.version = view->storage().version();
    const std::u16string_view text = EditorKit::utf16View(request.snapshot);
    const TextRange selection = view->selectedRange();
    request.hadSelection = selection.length > 0;
    request.caret = selection.location;
    if (!request.hadSelection)
        request.range = {0, static_cast<std::int64_t>(text.size())};
    else if (scope == Scope::lines)
        request.range = EditorCore::TextBounds::lineRange(text, selection);
    else
        request.range = selection;
    request.piece = std::u16string(text.substr(static_cast<std::size_t>(request.range.location),
                                               static_cast<std::size_t>(request.range.length)));
    request.title = EditorKit::localized(title);
    return request;
}

bool TidyFeature::textChangedSince(const Request& request) const
{
    EditorViews::EditorTextView* view = m_window ? m_window->textView() : nullptr;
    if (!view)
        return true;
    // The storage's edit counter tells cheaply; an undo may bring the same text back.
    if (view->storage().version() == request.version)
        return false;
    return view->text() != request.snapshot;
}

void TidyFeature::runTransform(Scope scope, const char* title, Transform transform)
{
    auto request = takeRequest(scope, title);
    if (!request)
        return;
    if (static_cast<std::int64_t>(request->piece.size()) < m_workerThreshold) {
        const Outcome outcome = transform(request->piece);
        if (!outcome)
            reportTidyFailure(outcome.error(), request->range.location);
        else
            apply(*request, *outcome);
        return;
    }
    // A large text: the transform may take seconds (XML with many attributes grows with the
    // square of their count), so the window keeps working meanwhile.
    beginWork();
    QPointer<TidyFeature> weak(this);
    tidyQueue().async([weak, request = std::move(*request), transform = std::move(transform)] {
        Outcome outcome = transform(request.piece);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [weak, request, outcome = std::move(outcome)] {
                if (!weak)
                    return;
                weak->endWork();
                if (!weak->m_window || weak->textChangedSince(request))
                    return;
                if (!outcome)
                    weak->reportTidyFailure(outcome.error(), request.range.location);
                else
                    weak->apply(request, *outcome);
            },
            Qt::QueuedConnection);
    });
}

void TidyFeature::apply(const Request& request, const std::u16string& result)
{
    if (!m_window)
        return;
    m_window->dismissBanner(QString::fromLatin1(bannerKey));
    if (result == request.piece)
        return;
    const auto resultLength = static_cast<std::int64_t>(result.size());
    TextRange selection;
    if (request.hadSelection) {
        selection = {request.range.location, resultLength};
    } else {
        const std::int64_t newLength = static_cast<std::int64_t>(request.snapshot.size())
                                       - request.range.length + resultLength;
        selection = {std::min(request.caret, newLength), 0};
    }
    m_window->replaceText(EditorCore::TextEdit{request.range, result, selection}, request.title);
}

std::int64_t TidyFeature::documentLine(std::int64_t line, std::int64_t rangeStart) const
{
    if (!m_window)
        return line;
    return line + m_window->textView()->lineIndex().lineNumber(rangeStart) - 1;
}

void TidyFeature::reportTidyFailure(const TextTidy::Failure& failure, std::int64_t rangeStart)
{
    switch (failure.reason) {
    case TextTidy::Failure::Reason::invalidJSON:
        if (failure.line && failure.column)
            showFailure(
                withNumbers(EditorKit::localized(
                                "JSON 이 아니라서 고치지 않았어요 — %lld줄 %lld칸 근처를 보세요."),
                            {documentLine(*failure.line, rangeStart), *failure.column}));
        else
            showFailure(EditorKit::localized("JSON 이 아니라서 고치지 않았어요."));
        break;
    case TextTidy::Failure::Reason::jsonHasComments:
        showFailure(
            EditorKit::localized("주석이 있어 한 줄로 줄이지 않았어요 — 줄이면 주석이 사라져요."));
        break;
    case TextTidy::Failure::Reason::invalidXML:
        showFailure(EditorKit::localized("XML 이 아니라서 고치지 않았어요."));
        break;
    }
}

void TidyFeature::showFailure(const QString& text)
{
    if (m_window)
        m_window->showBanner(QString::fromLatin1(bannerKey), BannerView::Kind::warning, text, {});
}

// MARK: formatting

void TidyFeature::formatText()
{
    if (!m_window || !m_window->textView()->isEditable())
        return;
    const auto language = m_window->languageChoice().value_or(m_window->detectedLanguage());
    const EditorCore::IndentStyle style = m_window->effectiveIndentStyle();
    const std::u16string newline(EditorCore::characters(m_window->effectiveLineEnding()));
    if (language == EditorFeatures::CodeLanguage::json) {
        const std::u16string indent =
            style.usesTabs ? std::u16string(u"\t")
                           : std::u16string(static_cast<std::size_t>(style.effectiveWidth()), u' ');
        runTransform(Scope::selection, "보기 좋게 정리", [indent, newline](auto text) {
            return TextTidy::prettyJSON(text, indent, newline);
        });
        return;
    }
    if (language == EditorFeatures::CodeLanguage::xml) {
        runTransform(Scope::selection, "보기 좋게 정리", [newline](auto text) {
            return TextTidy::prettyXML(text, newline);
        });
        return;
    }
    if (auto parser = EditorFeatures::PrettierEngine::parserName(language))
        formatWithPrettier(std::string(*parser));
}

void TidyFeature::formatWithPrettier(const std::string& parser)
{
    if (!m_window || !m_window->textView()->isEditable())
        return;
    FormatterCenter& center = FormatterCenter::shared();
    if (!center.installed()) {
        offerDownload(parser);
        return;
    }
    auto request = takeRequest(Scope::selection, "보기 좋게 정리");
    if (!request)
        return;
    const EditorCore::IndentStyle style = m_window->effectiveIndentStyle();
    const EditorCore::LineEnding ending = m_window->effectiveLineEnding();
    QPointer<TidyFeature> weak(this);
    auto answer = [weak, request = *request, ending](
                      const FormatterCenter::FormatOutcome& outcome) {
        if (!weak)
            return;
        weak->endWork();
        // A closed window or an edited text drops the answer without a word.
        if (!weak->m_window || weak->textChangedSince(request))
            return;
        if (!outcome) {
            const auto& failure = outcome.error();
            const QString message = QString::fromStdString(failure.message);
            if (failure.line)
                weak->showFailure(withText(
                    withNumbers(EditorKit::localized("정리하지 못했어요 — %lld줄 %lld칸 근처 — %@"),
                                {weak->documentLine(*failure.line, request.range.location),
                                 failure.column.value_or(1)}),
                    message));
            else
                weak->showFailure(
                    withText(EditorKit::localized("정리하지 못했어요 — %@"), message));
            return;
        }
        std::u16string result = *outcome;
        if (request.hadSelection && !request.piece.ends_with(u'\n') && result.ends_with(u'\n'))
            result.pop_back();
        result = EditorCore::LineEndingConverter::convert(result, ending);
        weak->apply(request, result);
    };
    beginWork();
    const auto formatter = center.installed();
    if (!formatter) {
        answer(EditorCore::failure(EditorFeatures::PrettierEngine::Failure{
            EditorKit::localized("정리기가 없어요").toStdString(), {}, {}}));
        return;
    }
    center.format(*formatter,
                  request->piece,
                  parser,
                  style.effectiveWidth(),
                  style.usesTabs,
                  std::move(answer));
}

void TidyFeature::offerDownload(const std::string& parser)
{
    const QString text = withText(
        EditorKit::localized("보기 좋게 정리하려면 정리기(Prettier)를 한 번 받아야 해요 (%@ · 약 "
                             "0.6MB · 글은 이 맥 밖으로 나가지 않아요)."),
        FormatterCenter::shared().serverName());
    QPointer<TidyFeature> weak(this);
    BannerView::Action download{
        EditorKit::localized("받기"), [weak, parser] {
            // The banner replaced below owns this function: keep what it needs first.
            const QPointer<TidyFeature> self = weak;
            const std::string name = parser;
            if (!self || !self->m_window)
                return;
            self->m_window->showBanner(QString::fromLatin1(bannerKey),
                                       BannerView::Kind::info,
                                       EditorKit::localized("정리기를 받는 중이에요…"),
                                       {});
            FormatterCenter::shared().install([weak = self, parser = name](bool ok) {
                if (!weak || !weak->m_window)
                    return;
                if (ok) {
                    weak->m_window->dismissBanner(QString::fromLatin1(bannerKey));
                    weak->formatWithPrettier(parser);
                    return;
                }
                const auto& phase = FormatterCenter::shared().phase();
                if (phase.kind == FormatterCenter::Phase::Kind::failed)
                    weak->showFailure(withText(EditorKit::localized("정리기 — %@"), phase.message));
            });
        }};
    m_window->showBanner(
        QString::fromLatin1(bannerKey), BannerView::Kind::info, text, {std::move(download)});
}

// MARK: menus and progress

void TidyFeature::showMenu(bool tidy)
{
    EditorViews::EditorTextView* view = m_window->textView();
    const auto& items = tidy ? EditorCommands::CommandCatalog::tidyMenuItems()
                             : EditorCommands::CommandCatalog::multiCursorMenuItems();
    QMenu* menu = makeCommandMenu(items, *m_window, view);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    // At the start of the selection's first line when it shows, else the view's origin.
    QPoint point(0, 0);
    const auto line =
        static_cast<int>(view->lineIndex().lineNumber(view->selectedRange().location) - 1);
    for (const auto& paragraph : view->visibleParagraphs()) {
        if (paragraph.line == line) {
            point = QPoint(0, static_cast<int>(paragraph.top));
            break;
        }
    }
    menu->popup(view->viewport()->mapToGlobal(point));
}

void TidyFeature::beginWork()
{
    if (m_pending++ == 0)
        m_busyTimer.start();
}

void TidyFeature::endWork()
{
    if (m_pending == 0 || --m_pending > 0)
        return;
    m_busyTimer.stop();
    if (m_busyShown) {
        m_busyShown = false;
        QGuiApplication::restoreOverrideCursor();
    }
}

} // namespace EditorWindow
