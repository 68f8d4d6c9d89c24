#include "app/window/formats/FormatMenusFeature.h"

#include "app/features/GrammarCenter.h"
#include "app/kit/Localized.h"
#include "app/kit/Presenter.h"
#include "app/kit/TabPage.h"
#include "app/kit/Utf16.h"
#include "app/views/EditorTextView.h"
#include "app/window/DisplayNames.h"
#include "app/window/DocumentWindowController.h"
#include "app/window/WindowDocument.h"
#include "app/window/WindowFormat.h"
#include "app/window/formats/EncodingChooserSheet.h"
#include "core/Indentation.h"
#include "core/TextCodec.h"
#include "features/CodeLanguage.h"
#include "features/SyntaxGrammars.h"
#include "store/SettingKeys.h"
#include "store/Settings.h"

#include <unicode/coll.h>
#include <unicode/locid.h>

#include <QMenu>
#include <QPushButton>
#include <QTextBoundaryFinder>
#include <QUndoStack>

#include <algorithm>
#include <fstream>
#include <set>

namespace EditorWindow {

using EditorCore::IndentStyle;
using EditorCore::LineEnding;
using EditorCore::TextEncoding;
using EditorFeatures::CodeLanguage;

namespace {

QString languageName(CodeLanguage language)
{
    return EditorKit::localized(EditorFeatures::displayName(language));
}

QAction*
addItem(QMenu& menu, const QString& title, bool on, bool enabled, std::function<void()> run)
{
    QAction* action = menu.addAction(title);
    action->setCheckable(on);
    action->setChecked(on);
    action->setEnabled(enabled);
    if (run)
        QObject::connect(action, &QAction::triggered, action, [run = std::move(run)] { run(); });
    return action;
}

// The whole text replaced, as one undoable step.
EditorCore::TextEdit
wholeTextEdit(const QString& text, std::u16string replacement, EditorCore::TextRange selection)
{
    return EditorCore::TextEdit{{0, text.size()}, std::move(replacement), selection};
}

// The grapheme clusters of `text`, compared canonically.
template<class Visit>
void forEachCharacter(const QString& text, Visit visit)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    while (finder.toNextBoundary() != -1) {
        const qsizetype end = finder.position();
        visit(QStringView(text).mid(start, end - start));
        start = end;
    }
}

} // namespace

FormatMenusFeature::FormatMenusFeature() = default;
FormatMenusFeature::~FormatMenusFeature()
{
    if (m_activeSheet)
        delete m_activeSheet;
}

void FormatMenusFeature::attach(DocumentWindowController& window)
{
    m_window = &window;
}

void FormatMenusFeature::detach()
{
    if (m_activeSheet) {
        m_activeSheet->onChoose = nullptr;
        delete m_activeSheet;
    }
    m_window = nullptr;
}

void FormatMenusFeature::windowDidOpen()
{
    // Detection was unsure: the user picks the encoding at once.
    if (m_window && m_window->document() && m_window->document()->isEncodingGuessUnsure()) {
        QPointer<FormatMenusFeature> weak(this);
        m_window->askAboutTab([weak] {
            if (weak && weak->m_window && weak->m_window->document()
                && weak->m_window->document()->isEncodingGuessUnsure())
                weak->presentEncodingChooser();
        });
    }
}

EditorKit::Presenter& FormatMenusFeature::presenter()
{
    if (m_window && m_window->environment().presenter)
        return *m_window->environment().presenter;
    if (!m_ownPresenter)
        m_ownPresenter = std::make_shared<EditorKit::WidgetPresenter>();
    return *m_ownPresenter;
}

bool FormatMenusFeature::isEditable() const
{
    return m_window && m_window->textView()->isEditable();
}

bool FormatMenusFeature::statusSegmentClicked(StatusBarView::Segment segment, QPushButton* button)
{
    std::unique_ptr<QMenu> menu;
    switch (segment) {
    case StatusBarView::Segment::encoding:
        menu = encodingMenu();
        break;
    case StatusBarView::Segment::lineEnding:
        menu = lineEndingMenu();
        break;
    case StatusBarView::Segment::indentation:
        menu = indentationMenu();
        break;
    case StatusBarView::Segment::language:
        menu = languageMenu();
        break;
    default:
        return false;
    }
    if (button && !menu->isEmpty())
        menu->exec(button->mapToGlobal(QPoint(0, 0)) - QPoint(0, menu->sizeHint().height()));
    return true;
}

// MARK: menus

std::unique_ptr<QMenu> FormatMenusFeature::encodingMenu()
{
    auto menu = std::make_unique<QMenu>();
    WindowDocument* document = m_window ? m_window->document() : nullptr;
    if (!document)
        return menu;
    const TextEncoding current = document->encoding();
    const bool hasFile = document->fileURL().has_value();
    const bool editable = isEditable();
    QPointer<FormatMenusFeature> weak(this);

    addItem(*menu,
            EditorKit::localized("지금: %1").arg(DisplayNames::displayName(current)),
            false,
            false,
            {});
    QMenu* reopen = menu->addMenu(EditorKit::localized("다른 인코딩으로 다시 열기"));
    reopen->setEnabled(hasFile);
    for (TextEncoding encoding : DisplayNames::encodingChoices())
        addItem(*reopen,
                DisplayNames::displayName(encoding),
                encoding == current,
                hasFile,
                [weak, encoding] {
                    if (weak)
                        weak->confirmDiscardAndReopen(encoding);
                });
    QMenu* convert = menu->addMenu(EditorKit::localized("이 인코딩으로 바꾸기"));
    convert->setEnabled(editable);
    for (TextEncoding encoding : EditorCore::allTextEncodings)
        addItem(*convert,
                DisplayNames::displayName(encoding),
                encoding == current,
                editable,
                [weak, encoding] {
                    if (weak)
                        weak->convertEncoding(encoding);
                });
    menu->addSeparator();
    QAction* mark = addItem(*menu,
                            EditorKit::localized("BOM 넣기"),
                            document->hasByteOrderMark(),
                            EditorCore::supportsByteOrderMark(current) && editable,
                            [weak] {
                                if (weak)
                                    weak->toggleByteOrderMark();
                            });
    mark->setCheckable(true);
    addItem(*menu, EditorKit::localized("인코딩 고르기 창…"), false, hasFile, [weak] {
        if (weak)
            weak->presentEncodingChooser();
    });
    return menu;
}

std::unique_ptr<QMenu> FormatMenusFeature::lineEndingMenu()
{
    auto menu = std::make_unique<QMenu>();
    WindowDocument* document = m_window ? m_window->document() : nullptr;
    if (!document)
        return menu;
    const EditorCore::LineEndingSummary summary = document->lineEndings();
    const bool mixed = summary.isMixed();
    if (mixed) {
        addItem(*menu,
                EditorKit::localized("섞임 — LF %1 · CRLF %2 · CR %3")
                    .arg(summary.lf)
                    .arg(summary.crlf)
                    .arg(summary.cr),
                false,
                false,
                {});
        menu->addSeparator();
    }
    std::optional<LineEnding> marked;
    if (!mixed)
        marked = summary.dominant().value_or(m_window->effectiveLineEnding());
    QPointer<FormatMenusFeature> weak(this);
    for (LineEnding ending : {LineEnding::lf, LineEnding::crlf, LineEnding::cr}) {
        const QString name = QString::fromLatin1(WindowFormat::upperCaseName(ending).data());
        addItem(*menu,
                mixed ? EditorKit::localized("모두 %1 로").arg(name) : name,
                marked == ending,
                isEditable(),
                [weak, ending] {
                    if (weak)
                        weak->convertLineEndings(ending);
                });
    }
    return menu;
}

std::unique_ptr<QMenu> FormatMenusFeature::indentationMenu()
{
    auto menu = std::make_unique<QMenu>();
    WindowDocument* document = m_window ? m_window->document() : nullptr;
    if (!document)
        return menu;
    const IndentStyle style = m_window->effectiveIndentStyle();
    const int width = std::clamp(style.width, 1, 16);
    QPointer<FormatMenusFeature> weak(this);
    auto choose = [weak](IndentStyle chosen) {
        return [weak, chosen] {
            if (weak && weak->m_window && weak->m_window->document()) {
                weak->m_window->document()->chooseIndentStyle(chosen);
                weak->m_window->setNeedsRefresh();
            }
        };
    };
    addItem(*menu,
            EditorKit::localized("탭 문자"),
            style.usesTabs && style.width == width,
            true,
            choose(IndentStyle(true, width)));
    for (int spaces : {2, 4, 8})
        addItem(*menu,
                EditorKit::localized("공백 %1칸").arg(spaces),
                !style.usesTabs && style.width == spaces,
                true,
                choose(IndentStyle(false, spaces)));
    menu->addSeparator();
    addItem(*menu, EditorKit::localized("파일에 맞춤"), false, true, [weak] {
        if (weak)
            weak->detectIndentation();
    });
    addItem(*menu, EditorKit::localized("들여쓰기를 모두 탭으로"), false, isEditable(), [weak] {
        if (weak)
            weak->convertIndentation(true);
    });
    addItem(*menu, EditorKit::localized("들여쓰기를 모두 공백으로"), false, isEditable(), [weak] {
        if (weak)
            weak->convertIndentation(false);
    });
    return menu;
}

std::unique_ptr<QMenu> FormatMenusFeature::languageMenu()
{
    auto menu = std::make_unique<QMenu>();
    if (!m_window || !m_window->document())
        return menu;
    QPointer<FormatMenusFeature> weak(this);
    const auto& choice = m_window->languageChoice();
    addItem(*menu,
            EditorKit::localized("자동 (%1)").arg(languageName(m_window->detectedLanguage())),
            !choice.has_value(),
            true,
            [weak] {
                if (weak && weak->m_window)
                    weak->m_window->setLanguageChoice(std::nullopt);
            });
    menu->addSeparator();

    // Plain text first, the others in the file browser's order of their names (numbers by
    // value).
    std::vector<std::pair<QString, CodeLanguage>> others;
    for (CodeLanguage language : EditorFeatures::allCodeLanguages) {
        if (language != EditorFeatures::allCodeLanguages.front())
            others.emplace_back(languageName(language), language);
    }
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Collator> collator(
        icu::Collator::createInstance(icu::Locale::getDefault(), status));
    if (U_SUCCESS(status) && collator) {
        collator->setAttribute(UCOL_NUMERIC_COLLATION, UCOL_ON, status);
        std::stable_sort(others.begin(), others.end(), [&](const auto& a, const auto& b) {
            UErrorCode compareStatus = U_ZERO_ERROR;
            return collator->compare(reinterpret_cast<const char16_t*>(a.first.utf16()),
                                     static_cast<int32_t>(a.first.size()),
                                     reinterpret_cast<const char16_t*>(b.first.utf16()),
                                     static_cast<int32_t>(b.first.size()),
                                     compareStatus)
                   == UCOL_LESS;
        });
    }
    others.insert(others.begin(),
                  {languageName(EditorFeatures::allCodeLanguages.front()),
                   EditorFeatures::allCodeLanguages.front()});
    for (const auto& [name, language] : others) {
        const CodeLanguage chosen = language;
        addItem(*menu, name, choice == language, true, [weak, chosen] {
            if (weak && weak->m_window)
                weak->m_window->setLanguageChoice(chosen);
        });
    }

    // A downloadable language without a grammar: its download, from here too.
    const CodeLanguage effective = choice.value_or(m_window->detectedLanguage());
    AppFeatures::GrammarCenter& grammars = AppFeatures::GrammarCenter::shared();
    if (EditorFeatures::SyntaxGrammars::downloadableLanguages().contains(effective)
        && !grammars.grammar(effective) && !grammars.isInstalled(effective)) {
        menu->addSeparator();
        addItem(*menu,
                EditorKit::localized("「%@」 색칠 문법 받기")
                    .replace(QStringLiteral("%@"), languageName(effective)),
                false,
                true,
                [effective] { AppFeatures::GrammarCenter::shared().startDownload(effective); });
    }
    return menu;
}

// MARK: changes

void FormatMenusFeature::convertLineEndings(LineEnding ending)
{
    if (!m_window)
        return;
    EditorViews::EditorTextView* textView = m_window->textView();
    const QString text = textView->text();
    std::u16string converted =
        EditorCore::LineEndingConverter::convert(EditorKit::utf16View(text), ending);
    if (converted != EditorKit::utf16View(text)) {
        auto selection = textView->selectedRange();
        const auto length = static_cast<std::int64_t>(converted.size());
        const auto location = std::min<std::int64_t>(selection.location, length);
        const auto end = std::min<std::int64_t>(selection.location + selection.length, length);
        m_window->replaceText(wholeTextEdit(text, std::move(converted), {location, end - location}),
                              EditorKit::localized("줄끝 바꾸기"));
    }
    if (WindowDocument* document = m_window->document()) {
        const QString& now = textView->text();
        document->setLineEndings(EditorCore::LineEndingSummary(EditorKit::utf16View(now)));
        // A text without breaks keeps the choice for its status and its next new line; the
        // summary stays the count's.
        m_window->setChosenLineEnding(ending);
    }
    m_window->setNeedsRefresh();
}

void FormatMenusFeature::convertEncoding(TextEncoding target)
{
    WindowDocument* document = m_window ? m_window->document() : nullptr;
    if (!document)
        return;
    const bool mark = target == document->encoding()
                          ? document->hasByteOrderMark()
                          : (target == TextEncoding::utf16LE || target == TextEncoding::utf16BE
                             || target == TextEncoding::utf32LE || target == TextEncoding::utf32BE);
    const QString actionName = EditorKit::localized("인코딩 바꾸기");
    const QString text = m_window->textView()->text();
    const auto unencodable =
        EditorCore::TextCodec::unencodableCharacters(EditorKit::utf16View(text), target, 1000);
    if (unencodable.empty()) {
        document->changeEncoding(target, mark, actionName);
        m_window->setNeedsRefresh();
        return;
    }

    std::set<QString> refused;
    QString shown;
    for (const auto& character : unencodable) {
        const QString normalized =
            EditorKit::qstringFrom(character).normalized(QString::NormalizationForm_C);
        refused.insert(normalized);
        if (refused.size() <= 12 && shown.size() < 1000)
            shown += EditorKit::qstringFrom(character);
    }
    std::int64_t count = 0;
    forEachCharacter(text, [&](QStringView character) {
        if (refused.count(character.toString().normalized(QString::NormalizationForm_C)))
            ++count;
    });

    EditorKit::Alert alert;
    alert.style = EditorKit::Alert::Style::warning;
    alert.text = EditorKit::localized("%1 로 쓸 수 없는 글자가 %n개 있어요.", nullptr, count)
                     .arg(DisplayNames::displayName(target));
    alert.informativeText =
        EditorKit::localized("「%1」 — 지우고 바꾸거나 그대로 두세요.").arg(shown);
    alert.buttons = {EditorKit::localized("그 글자 지우고 바꾸기"), EditorKit::localized("취소")};
    alert.defaultButton = 0;
    alert.cancelButton = 1;
    QPointer<FormatMenusFeature> weak(this);
    const int answer = presenter().runAlert(alert, m_window->page());
    if (answer != 0 || !weak || !m_window || !m_window->document())
        return;

    // The text may have changed while the alert was up (a reload from disk): the cleaned
    // text is built from the text of this moment and replaces all of it;
    // characters that arrived meanwhile and the target cannot hold go too, so that the
    // switch leaves a text it can write.
    const QString now = m_window->textView()->text();
    if (now != text) {
        for (const auto& character :
             EditorCore::TextCodec::unencodableCharacters(EditorKit::utf16View(now), target, 1000))
            refused.insert(
                EditorKit::qstringFrom(character).normalized(QString::NormalizationForm_C));
    }
    QString cleaned;
    cleaned.reserve(now.size());
    forEachCharacter(now, [&](QStringView character) {
        if (!refused.count(character.toString().normalized(QString::NormalizationForm_C)))
            cleaned += character;
    });
    QUndoStack* stack = m_window->document()->undoStack();
    const QString groupName = EditorKit::localized("그 글자 지우고 바꾸기");
    if (stack)
        stack->beginMacro(groupName);
    m_window->replaceText(wholeTextEdit(now, cleaned.toStdU16String(), {0, 0}), actionName);
    m_window->document()->changeEncoding(target, mark, actionName);
    if (stack)
        stack->endMacro();
    m_window->setNeedsRefresh();
}

void FormatMenusFeature::toggleByteOrderMark()
{
    WindowDocument* document = m_window ? m_window->document() : nullptr;
    if (!document || !EditorCore::supportsByteOrderMark(document->encoding()))
        return;
    document->changeEncoding(document->encoding(),
                             !document->hasByteOrderMark(),
                             EditorKit::localized("BOM 넣기 / 빼기"));
    m_window->setNeedsRefresh();
}

void FormatMenusFeature::confirmDiscardAndReopen(TextEncoding encoding)
{
    WindowDocument* document = m_window ? m_window->document() : nullptr;
    if (!document)
        return;
    if (document->isEdited()) {
        EditorKit::Alert alert;
        alert.style = EditorKit::Alert::Style::warning;
        alert.text = EditorKit::localized("저장 안 된 고침이 있어요.");
        alert.informativeText = EditorKit::localized("다시 열면 이번에 고친 것은 사라져요.");
        alert.buttons = {EditorKit::localized("버리고 다시 열기"), EditorKit::localized("취소")};
        alert.destructiveButton = 0;
        alert.defaultButton = 0;
        alert.cancelButton = 1;
        QPointer<FormatMenusFeature> weak(this);
        if (presenter().runAlert(alert, m_window->page()) != 0 || !weak)
            return;
    }
    reopenWithEncoding(encoding);
}

void FormatMenusFeature::reopenWithEncoding(TextEncoding encoding)
{
    WindowDocument* document = m_window ? m_window->document() : nullptr;
    if (!document)
        return;
    QPointer<FormatMenusFeature> weak(this);
    document->reopen(encoding, [weak, encoding](bool reopened) {
        if (!weak || !weak->m_window)
            return;
        if (!reopened) {
            EditorKit::Alert alert;
            alert.style = EditorKit::Alert::Style::warning;
            alert.text = EditorKit::localized("이 파일은 %1 로 읽히지 않아요.")
                             .arg(DisplayNames::displayName(encoding));
            alert.informativeText = EditorKit::localized("다른 인코딩을 골라 보세요.");
            alert.buttons = {EditorKit::localized("확인")};
            alert.defaultButton = 0;
            alert.cancelButton = 0;
            weak->presenter().runAlert(alert, weak->m_window->page());
        }
        if (weak && weak->m_window)
            weak->m_window->setNeedsRefresh();
    });
}

void FormatMenusFeature::convertIndentation(bool toTabs)
{
    WindowDocument* document = m_window ? m_window->document() : nullptr;
    if (!document)
        return;
    const IndentStyle style = m_window->effectiveIndentStyle();
    const int width = std::clamp(style.width, 1, 16);
    const QString text = m_window->textView()->text();
    std::u16string converted = EditorCore::Indentation::convert(
        EditorKit::utf16View(text),
        toTabs ? EditorCore::IndentKind::tabs : EditorCore::IndentKind::spaces,
        width,
        width);
    if (converted != EditorKit::utf16View(text))
        m_window->replaceText(wholeTextEdit(text, std::move(converted), {0, 0}),
                              EditorKit::localized("들여쓰기 바꾸기"));
    if (m_window->document())
        m_window->document()->chooseIndentStyle(IndentStyle(toTabs, width));
    m_window->setNeedsRefresh();
}

void FormatMenusFeature::detectIndentation()
{
    WindowDocument* document = m_window ? m_window->document() : nullptr;
    if (!document)
        return;
    document->chooseIndentStyle(
        EditorCore::Indentation::detect(EditorKit::utf16View(m_window->textView()->text()), 2000));
    m_window->setNeedsRefresh();
}

// MARK: encoding chooser

std::vector<TextEncoding>
FormatMenusFeature::chooserOffer(const std::vector<TextEncoding>& candidates, TextEncoding current)
{
    std::vector<TextEncoding> order = candidates;
    order.insert(order.end(),
                 {current,
                  TextEncoding::utf8,
                  TextEncoding::cp949,
                  TextEncoding::shiftJIS,
                  TextEncoding::eucJP,
                  TextEncoding::gb18030,
                  TextEncoding::big5,
                  TextEncoding::windows1252});
    std::vector<TextEncoding> offer;
    for (TextEncoding encoding : order) {
        if (encoding == TextEncoding::eucKR
            || std::find(offer.begin(), offer.end(), encoding) != offer.end())
            continue;
        offer.push_back(encoding);
        if (offer.size() == 6)
            break;
    }
    return offer;
}

void FormatMenusFeature::presentEncodingChooser()
{
    WindowDocument* document = m_window ? m_window->document() : nullptr;
    if (!document)
        return;
    auto url = document->fileURL();
    if (!url)
        return;
    // Only the sample the previews show is read: a large file stays on disk.
    std::ifstream file(*url, std::ios::binary);
    if (!file)
        return;
    std::vector<std::uint8_t> sample(EncodingChooserSheet::sampleLength);
    file.read(reinterpret_cast<char*>(sample.data()), static_cast<std::streamsize>(sample.size()));
    if (file.bad())
        return;
    sample.resize(static_cast<std::size_t>(file.gcount()));

    const auto guess = document->encodingGuess();
    const TextEncoding current = document->encoding();
    auto offer = chooserOffer(guess ? guess->candidates : std::vector<TextEncoding>{}, current);
    std::optional<TextEncoding> detected;
    if (guess)
        detected = guess->encoding;

    if (m_activeSheet) {
        m_activeSheet->onChoose = nullptr;
        m_activeSheet->deleteLater();
    }
    EditorStore::Settings& values = m_window->environment().settings
                                        ? *m_window->environment().settings
                                        : EditorStore::Settings::shared();
    EditorViews::EditorFontSettings fonts;
    fonts.fontName = QString::fromStdString(values.value(EditorStore::SettingKeys::viewFontName));
    fonts.fontSize = values.value(EditorStore::SettingKeys::viewFontSize);
    fonts.lineSpacing = values.value(EditorStore::SettingKeys::viewLineSpacing);
    auto* sheet =
        new EncodingChooserSheet(sample, offer, current, detected, m_window->page(), fonts);
    sheet->setSubject(document->displayName());
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    QPointer<FormatMenusFeature> weak(this);
    QPointer<QObject> documentObject = document->documentObject();
    sheet->onChoose = [weak, documentObject](std::optional<TextEncoding> answer) {
        if (!weak || !weak->m_window || !documentObject)
            return;
        weak->m_activeSheet = nullptr;
        WindowDocument* chosenFor = weak->m_window->document();
        if (!answer || !chosenFor)
            return;
        const auto guessNow = chosenFor->encodingGuess();
        if (*answer == chosenFor->encoding() && guessNow
            && guessNow->source == EditorCore::EncodingSource::userChoice)
            return;
        weak->confirmDiscardAndReopen(*answer);
    };
    m_activeSheet = sheet;
    sheet->open();
}

// MARK: actions

bool FormatMenusFeature::respondsToAction(std::string_view action) const
{
    return action == "toggleByteOrderMark:" || action == "showEncodingChooser:";
}

bool FormatMenusFeature::validateAction(std::string_view action,
                                        const EditorKit::ActionSender&) const
{
    WindowDocument* document = m_window ? m_window->document() : nullptr;
    if (!document)
        return false;
    if (action == "toggleByteOrderMark:")
        return EditorCore::supportsByteOrderMark(document->encoding()) && isEditable();
    return document->fileURL().has_value();
}

void FormatMenusFeature::performAction(std::string_view action, const EditorKit::ActionSender&)
{
    if (action == "toggleByteOrderMark:")
        toggleByteOrderMark();
    else if (action == "showEncodingChooser:")
        presentEncodingChooser();
}

} // namespace EditorWindow
