#include "app/window/suspicious/SuspiciousMarksFeature.h"

#include "app/kit/Localized.h"
#include "app/views/EditorTextView.h"
#include "app/views/TextStorage.h"
#include "app/window/CommandState.h"
#include "app/window/DisplayNames.h"
#include "app/window/DocumentWindowController.h"
#include "app/window/suspicious/SuspiciousScan.h"
#include "app/window/WindowDocument.h"

#include <QMenu>
#include <QPointer>
#include <QPushButton>

#include <set>

namespace EditorWindow {

using EditorCore::SuspiciousKind;

namespace {

constexpr SuspiciousKind allKinds[] = {
    SuspiciousKind::noBreakSpace,
    SuspiciousKind::zeroWidth,
    SuspiciousKind::specialSpace,
    SuspiciousKind::bidiControl,
    SuspiciousKind::controlCharacter,
    SuspiciousKind::lineSeparator,
    SuspiciousKind::softHyphen,
    SuspiciousKind::replacementCharacter,
};

std::int64_t normalizableCount(const EditorCore::SuspiciousReport& report)
{
    return report.total() - report.count(SuspiciousKind::replacementCharacter);
}

} // namespace

SuspiciousMarksFeature::SuspiciousMarksFeature() = default;
SuspiciousMarksFeature::~SuspiciousMarksFeature() = default;

void SuspiciousMarksFeature::attach(DocumentWindowController& window)
{
    m_window = &window;
    QPointer<DocumentWindowController> weak(&window);
    window.textView()->setSuspiciousClassifier(SuspiciousScan::classifier());
    m_scan = std::make_unique<SuspiciousScan>(
        [weak]() -> std::pair<EditorCore::TextSnapshot, std::uint64_t> {
            if (!weak)
                return {};
            EditorViews::TextStorage& storage = weak->textView()->storage();
            return {storage.snapshot(), storage.version()};
        },
        [weak]() -> std::uint64_t { return weak ? weak->textView()->storage().version() : 0; },
        [weak, self = QPointer<SuspiciousMarksFeature>(this)](SuspiciousScan::Result result) {
            if (!weak || !self)
                return;
            if (WindowDocument* document = weak->document()) {
                document->setLineEndings(result.lineEndings);
                weak->refreshMixedLineEndingsBanner();
            }
            self->m_report = std::move(result.report);
            weak->setNeedsRefresh();
        });
    m_scan->schedule(std::chrono::milliseconds(0));
}

void SuspiciousMarksFeature::detach()
{
    m_scan.reset();
    m_window = nullptr;
}

bool SuspiciousMarksFeature::isCounting() const
{
    return m_scan && m_scan->isCounting();
}

void SuspiciousMarksFeature::scheduleScan(std::chrono::milliseconds delay)
{
    if (m_scan)
        m_scan->schedule(delay);
}

void SuspiciousMarksFeature::textDidEdit(const EditorViews::EditRecord& edit)
{
    if (edit.origin != EditorViews::EditOrigin::reload) {
        scheduleScan(SuspiciousScan::afterTyping);
        return;
    }
    // Text that the file itself writes while the text is locked (a followed log growing): the
    // count waits for the log to settle rather than running after every step.
    scheduleScan(m_window && m_window->isTextLocked() ? SuspiciousScan::afterFollowedText
                                                      : std::chrono::milliseconds(0));
}

bool SuspiciousMarksFeature::statusSegmentClicked(StatusBarView::Segment segment,
                                                  QPushButton* button)
{
    if (segment != StatusBarView::Segment::suspicious)
        return false;
    auto menu = suspiciousMenu();
    if (button && !menu->isEmpty())
        menu->exec(button->mapToGlobal(QPoint(0, 0)) - QPoint(0, menu->sizeHint().height()));
    return true;
}

std::unique_ptr<QMenu> SuspiciousMarksFeature::suspiciousMenu()
{
    auto menu = std::make_unique<QMenu>();
    if (!m_window)
        return menu;
    const EditorCore::SuspiciousReport& report = m_report;
    QPointer<SuspiciousMarksFeature> weak(this);
    for (SuspiciousKind kind : allKinds) {
        const std::int64_t count = report.count(kind);
        if (count <= 0)
            continue;
        QAction* item = menu->addAction(DisplayNames::displayName(kind) + QLatin1Char(' ')
                                        + QString::number(count));
        connect(item, &QAction::triggered, this, [weak, kind] {
            if (weak)
                weak->selectNextSuspicious(kind);
        });
    }
    menu->addSeparator();
    QAction* next = menu->addAction(EditorKit::localized("다음 수상한 글자"));
    connect(next, &QAction::triggered, this, [weak] {
        if (weak)
            weak->selectNextSuspicious(std::nullopt);
    });
    QAction* normalize = menu->addAction(EditorKit::localized("모두 보통 글자로"));
    normalize->setEnabled(normalizableCount(report) >= 1 && m_window->textView()->isEditable());
    connect(normalize, &QAction::triggered, this, [weak] {
        if (weak)
            weak->normalizeSuspicious();
    });
    if (report.count(SuspiciousKind::replacementCharacter) > 0) {
        QAction* note = menu->addAction(
            EditorKit::localized("깨진 글자는 바꾸지 않아요 — 다른 인코딩으로 다시 열어 보세요"));
        note->setEnabled(false);
    }
    return menu;
}

void SuspiciousMarksFeature::selectNextSuspicious(std::optional<SuspiciousKind> kind)
{
    if (!m_window)
        return;
    const auto& occurrences = m_report.occurrences;
    const EditorCore::SuspiciousOccurrence* first = nullptr;
    const EditorCore::SuspiciousOccurrence* target = nullptr;
    EditorViews::EditorTextView* textView = m_window->textView();
    const auto selection = textView->selectedRange();
    const std::int64_t end = selection.location + selection.length;
    for (const auto& occurrence : occurrences) {
        if (kind && occurrence.kind != *kind)
            continue;
        if (!first)
            first = &occurrence;
        if (occurrence.location >= end) {
            target = &occurrence;
            break;
        }
    }
    if (!target)
        target = first;
    if (!target)
        return;
    // The occurrences are of the last count: clamp them to the text as it is now.
    const std::int64_t length = textView->storage().length();
    const std::int64_t location = std::min(target->location, length);
    const EditorViews::TextRange range{location, std::min(target->length, length - location)};
    textView->setSelectedRange(range);
    textView->scrollRangeToVisible(range);
    textView->showIndicator(range);
}

void SuspiciousMarksFeature::normalizeSuspicious()
{
    if (!m_window)
        return;
    const QString text = m_window->textView()->text();
    std::set<SuspiciousKind> kinds(std::begin(allKinds), std::end(allKinds));
    kinds.erase(SuspiciousKind::replacementCharacter);
    std::u16string replaced = EditorCore::SuspiciousCharacters::replaceAll(
        std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                            static_cast<std::size_t>(text.size())),
        kinds,
        m_window->effectiveLineEnding());
    if (replaced.size() == static_cast<std::size_t>(text.size())
        && std::equal(
            replaced.begin(), replaced.end(), reinterpret_cast<const char16_t*>(text.utf16())))
        return;
    m_window->replaceText(EditorCore::TextEdit{{0, text.size()}, std::move(replaced), {0, 0}},
                          EditorKit::localized("모두 보통 글자로"));
    scheduleScan(std::chrono::milliseconds(0));
}

bool SuspiciousMarksFeature::respondsToAction(std::string_view action) const
{
    return action == "selectNextSuspicious:" || action == "normalizeSuspicious:";
}

bool SuspiciousMarksFeature::validateAction(std::string_view action,
                                            const EditorKit::ActionSender&) const
{
    if (!m_window)
        return false;
    const auto& report = m_report;
    if (action == "selectNextSuspicious:")
        return !report.occurrences.empty();
    return normalizableCount(report) >= 1 && m_window->textView()->isEditable();
}

void SuspiciousMarksFeature::performAction(std::string_view action, const EditorKit::ActionSender&)
{
    if (action == "selectNextSuspicious:")
        selectNextSuspicious(std::nullopt);
    else if (action == "normalizeSuspicious:")
        normalizeSuspicious();
}

void SuspiciousMarksFeature::contributeStatus(StatusContent::Inputs& inputs) const
{
    inputs.suspiciousTotal = m_report.total();
}

void SuspiciousMarksFeature::contributeCommandState(CommandStateInputs& inputs) const
{
    inputs.suspiciousTotal = m_report.total();
    inputs.replacementCharacters = m_report.count(EditorCore::SuspiciousKind::replacementCharacter);
}

} // namespace EditorWindow
