#include "app/window/find/FindReplaceFeature.h"

#include "app/kit/Localized.h"
#include "app/kit/Utf16.h"
#include "app/views/EditorTextView.h"
#include "app/views/TextStorage.h"
#include "app/window/DocumentWindowController.h"
#include "app/window/WindowDocument.h"
#include "app/window/find/FindBarView.h"
#include "app/window/find/SnapshotReplacing.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QThreadPool>
#include <QToolButton>
#include <QUndoStack>

#include <algorithm>
#include <cmath>

namespace EditorWindow {

namespace {

using EditorKit::localized;
using EditorViews::FindMatch;

constexpr std::chrono::milliseconds refreshDelay{250};
constexpr std::chrono::milliseconds selectAfterReplaceDelay{50};

// The first match whose location is not below `location`.
EditorViews::FindMatches::const_iterator firstAtOrAfter(const EditorViews::FindMatches& matches,
                                                        std::int64_t location)
{
    return std::lower_bound(
        matches.begin(), matches.end(), location, [](FindMatch match, std::int64_t at) {
            return match.location < at;
        });
}

} // namespace

// MARK: - The bar as the line filter sees it

class FindReplaceFeature::FilterLink : public FilterBar
{
public:
    explicit FilterLink(FindReplaceFeature& owner)
        : m_owner(owner)
    {}
    FindBarView& bar() const { return *m_owner.m_bar; }

    QString filterQueryText() const override { return bar().queryField()->text(); }
    std::vector<std::pair<EditorCore::LineFilter::Join, QString>>
    filterConditionTexts() const override
    {
        return bar().filterConditions().conditions;
    }
    bool filterInverts() const override { return bar().invertToggle()->isChecked(); }
    bool filterOnlyMatching() const override { return bar().onlyMatchingToggle()->isChecked(); }
    int filterContextLines() const override { return bar().filterConditions().contextLines; }
    EditorCore::Result<EditorCore::CompiledSearch, EditorCore::SearchError>
    compileFilterText(const QString& text) const override
    {
        return bar().filterQuery(text);
    }
    void setFilterCountText(const QString& text) override
    {
        bar().filterCountLabel()->setText(text);
    }
    void showFilterError(const QString& message) override
    {
        bar().errorLabel()->setText(message);
        bar().errorRow()->setVisible(true);
        bar().updateGeometry();
        if (m_owner.m_window)
            m_owner.m_window->layoutBands();
    }

private:
    FindReplaceFeature& m_owner;
};

FindReplaceFeature::FindReplaceFeature()
{
    m_refresh.setSingleShot(true);
    m_refresh.setInterval(refreshDelay);
    connect(&m_refresh, &QTimer::timeout, this, [this] { runSearch(); });
    m_schedule = [this](std::chrono::milliseconds delay, std::function<void()> work) {
        QTimer::singleShot(delay, this, std::move(work));
    };
    m_beep = [] { QApplication::beep(); };
}

FindReplaceFeature::~FindReplaceFeature()
{
    m_search.reset();
    delete m_bar;
}

void FindReplaceFeature::attach(DocumentWindowController& window)
{
    m_window = &window;
    m_search = std::make_unique<BackgroundFind>(this);
}

void FindReplaceFeature::detach()
{
    m_refresh.stop();
    m_search.reset();
    delete m_bar;
    m_window = nullptr;
}

WindowFeature::Bands FindReplaceFeature::bands() const
{
    Bands bands;
    if (m_bar)
        bands.belowBanners.push_back(m_bar);
    return bands;
}

void FindReplaceFeature::beep()
{
    if (m_beep)
        m_beep();
}

// MARK: - Actions

bool FindReplaceFeature::respondsToAction(std::string_view action) const
{
    return action == "showFindBar:" || action == "showReplaceBar:" || action == "findNext:"
           || action == "findPrevious:" || action == "useSelectionForFind:";
}

bool FindReplaceFeature::validateAction(std::string_view action,
                                        const EditorKit::ActionSender&) const
{
    return respondsToAction(action) && m_window;
}

void FindReplaceFeature::performAction(std::string_view action, const EditorKit::ActionSender&)
{
    if (!m_window)
        return;
    if (action == "showFindBar:")
        showFindBar(false);
    else if (action == "showReplaceBar:")
        showFindBar(true);
    else if (action == "findNext:")
        selectMatch(false);
    else if (action == "findPrevious:")
        selectMatch(true);
    else if (action == "useSelectionForFind:")
        useSelectionForFind();
}

// MARK: - The bar

FindBarView* FindReplaceFeature::makeFindBar()
{
    auto* bar = new FindBarView;
    QFont font = m_window->textView()->editorFont();
    if (font.pointSizeF() > 0)
        font.setPointSizeF(std::max(1.0, std::round(font.pointSizeF() * 0.95)));
    else if (font.pixelSize() > 0)
        font.setPixelSize(std::max(1, static_cast<int>(std::lround(font.pixelSize() * 0.95))));
    bar->setFieldFont(font);

    QPointer<FindReplaceFeature> self = this;
    bar->onChange = [self] {
        if (!self)
            return;
        self->runSearch();
        if (LineFilterService* filter = self->lineFilter())
            filter->filterQueryDidChange();
    };
    bar->onFilterToggle = [self] {
        if (!self || !self->m_bar)
            return;
        if (LineFilterService* filter = self->lineFilter())
            filter->toggleFilter();
        else
            self->m_bar->setFilterRowVisible(self->m_bar->filterToggle()->isChecked());
    };
    bar->onFilterChange = [self] {
        if (!self)
            return;
        if (LineFilterService* filter = self->lineFilter())
            filter->filterQueryDidChange();
    };
    bar->onExport = [self](FindBarView::FilterExport destination) {
        if (!self)
            return;
        if (LineFilterService* filter = self->lineFilter())
            filter->exportFilterResults(destination);
    };
    bar->onNext = [self] {
        if (self)
            self->selectMatch(false);
    };
    bar->onPrevious = [self] {
        if (self)
            self->selectMatch(true);
    };
    bar->onReplace = [self] {
        if (self)
            self->replaceCurrent();
    };
    bar->onReplaceAll = [self] {
        if (self)
            self->replaceAll();
    };
    bar->onUndoReplaceAll = [self] {
        if (self && self->m_window && self->m_window->document()) {
            if (QUndoStack* stack = self->m_window->document()->undoStack())
                stack->undo();
        }
    };
    bar->onClose = [self] {
        if (self)
            self->closeFindBar();
    };
    m_bar = bar;
    return bar;
}

void FindReplaceFeature::showFindBar(bool replace)
{
    if (!m_window)
        return;
    FindBarView* bar = m_bar ? m_bar.data() : makeFindBar();
    EditorViews::EditorTextView* textView = m_window->textView();
    bar->replaceRow()->setVisible(replace && textView->isEditable());
    bar->updateGeometry();

    const EditorViews::TextRange selection = textView->selectedRange();
    if (selection.length >= 1 && selection.length < 200) {
        const QString selected = textView->storage().mid(selection);
        if (!selected.contains(QLatin1Char('\n')))
            bar->queryField()->setText(selected);
    }
    m_window->layoutBands();
    bar->queryField()->setFocus();
    bar->queryField()->selectAll();
    runSearch();
}

LineFilterService* FindReplaceFeature::lineFilter() const
{
    return m_window ? m_window->service<LineFilterService>() : nullptr;
}

void FindReplaceFeature::setFilterRowShown(bool shown)
{
    if (!m_bar || !m_window)
        return;
    m_bar->setFilterRowVisible(shown);
    if (!shown)
        m_bar->conditionColumn()->setVisible(false);
    m_window->layoutBands();
}

FilterBar* FindReplaceFeature::filterBar()
{
    if (!m_bar)
        return nullptr;
    if (!m_filterLink)
        m_filterLink = std::make_unique<FilterLink>(*this);
    return m_filterLink.get();
}

void FindReplaceFeature::closeFindBar()
{
    if (!m_window)
        return;
    // The list of filtered lines goes with the bar.
    if (LineFilterService* filter = lineFilter())
        filter->hideFilter();
    m_refresh.stop();
    if (m_search)
        m_search->stop();
    m_running = false;
    m_cutShort = false;
    m_selectOnDelivery = false;
    QPointer<FindBarView> old = m_bar;
    m_bar = nullptr;
    clearMatches();
    m_window->layoutBands();
    if (old) {
        old->hide();
        old->deleteLater();
    }
    m_window->textView()->setFocus();
}

void FindReplaceFeature::useSelectionForFind()
{
    if (!m_window)
        return;
    EditorViews::EditorTextView* textView = m_window->textView();
    const EditorViews::TextRange selection = textView->selectedRange();
    if (selection.isEmpty())
        return;
    FindBarView* bar = m_bar ? m_bar.data() : makeFindBar();
    bar->queryField()->setText(textView->storage().mid(selection));
    m_window->layoutBands();
    runSearch();
    textView->setFocus();
}

// MARK: - Searching

void FindReplaceFeature::clearMatches()
{
    EditorViews::EditorDisplayState& display = *m_window->display();
    // Millions of matches take a while to free: a worker does that.
    constexpr std::size_t freedHereUpTo = 100'000;
    if (display.findMatches.size() > freedHereUpTo) {
        auto old = std::make_shared<EditorViews::FindMatches>();
        old->swap(display.findMatches);
        BackgroundFind::pool().start([old]() mutable { old.reset(); });
    }
    display.findMatches.clear();
    display.findMatches.shrink_to_fit();
    display.currentMatch.reset();
    m_window->textView()->viewport()->update();
}

std::optional<EditorCore::SearchScope> FindReplaceFeature::selectionScope() const
{
    const EditorViews::TextRange selection = m_window->textView()->selectedRange();
    if (selection.length < 1)
        return std::nullopt;
    return EditorCore::SearchScope{selection.location, selection.end()};
}

void FindReplaceFeature::runSearch()
{
    if (!m_bar || !m_window)
        return;
    m_refresh.stop();
    m_search->stop();
    clearMatches();
    m_cutShort = false;

    const EditorCore::SearchQuery query = m_bar->searchQuery(selectionScope());
    auto showError = [this](const QString& message) {
        m_bar->errorLabel()->setText(message);
        m_bar->errorRow()->setVisible(!message.isEmpty());
        m_bar->updateGeometry();
    };
    if (query.text.empty()) {
        m_running = false;
        showError({});
        m_bar->countLabel()->clear();
        return;
    }
    auto compiled = EditorCore::CompiledSearch::make(query);
    if (!compiled) {
        m_running = false;
        if (const std::u16string* message = compiled.error().invalidPatternMessage()) {
            showError(localized("정규식이 틀렸어요 — %@")
                          .replace(QStringLiteral("%@"), EditorKit::qstringFrom(*message)));
            m_bar->countLabel()->clear();
        }
        return;
    }
    showError({});

    m_running = true;
    m_bar->countLabel()->setText(localized("찾는 중…"));
    m_search->start(*compiled,
                    m_window->textView()->storage().snapshot(),
                    [this](BackgroundFind::Batch&& batch) { applyBatch(std::move(batch)); });
}

void FindReplaceFeature::applyBatch(BackgroundFind::Batch&& batch)
{
    if (!m_bar || !m_window)
        return;
    EditorViews::FindMatches& matches = m_window->display()->findMatches;
    // Batches come in text order, so the list stays ascending and free of overlaps.
    matches.insert(matches.end(), batch.matches.begin(), batch.matches.end());
    if (batch.finished) {
        m_running = false;
        m_cutShort = batch.cutShort;
    }
    m_window->textView()->viewport()->update();
    if (m_selectOnDelivery && (answerKnown(m_selectBackward) || batch.finished)) {
        m_selectOnDelivery = false;
        selectMatch(m_selectBackward);
        return;
    }
    updateFindCount();
}

bool FindReplaceFeature::answerKnown(bool backward) const
{
    if (!m_running)
        return true;
    const EditorViews::FindMatches& matches = m_window->display()->findMatches;
    const EditorViews::TextRange selection = m_window->textView()->selectedRange();
    // Batches come in text order: once one match lies past the caret, every match before it
    // is known too.
    const std::int64_t from =
        backward || selection.isEmpty() ? selection.location : selection.location + 1;
    return firstAtOrAfter(matches, from) != matches.end();
}

std::optional<std::size_t> FindReplaceFeature::selectedMatchIndex() const
{
    const EditorViews::FindMatches& matches = m_window->display()->findMatches;
    const EditorViews::TextRange selection = m_window->textView()->selectedRange();
    auto found = firstAtOrAfter(matches, selection.location);
    if (found != matches.end() && found->location == selection.location
        && found->length == selection.length)
        return static_cast<std::size_t>(found - matches.begin());
    return std::nullopt;
}

void FindReplaceFeature::updateFindCount()
{
    if (!m_bar || !m_window)
        return;
    const EditorViews::FindMatches& matches = m_window->display()->findMatches;
    if (matches.empty()) {
        m_bar->countLabel()->setText(m_running ? localized("찾는 중…") : localized("없음"));
        return;
    }
    QString total = QString::number(static_cast<qulonglong>(matches.size()));
    if (m_running || m_cutShort)
        total += QLatin1Char('+');
    if (auto index = selectedMatchIndex())
        m_bar->countLabel()->setText(QString::number(*index + 1) + QStringLiteral(" / ") + total);
    else
        m_bar->countLabel()->setText(total);
}

void FindReplaceFeature::selectMatch(bool backward)
{
    if (!m_window)
        return;
    // While the filtered lines show, next and previous step through their match rows.
    if (LineFilterService* filter = lineFilter(); filter && filter->isFilterShown()) {
        filter->selectAdjacentMatch(backward);
        return;
    }
    EditorViews::EditorDisplayState& display = *m_window->display();
    const EditorViews::FindMatches& matches = display.findMatches;
    // A long text still being searched: the step waits for the match it should land on.
    if (m_bar && !answerKnown(backward)) {
        m_selectOnDelivery = true;
        m_selectBackward = backward;
        return;
    }
    if (matches.empty()) {
        if (!m_bar)
            showFindBar(false);
        else
            beep();
        return;
    }
    EditorViews::EditorTextView* textView = m_window->textView();
    const EditorViews::TextRange selection = textView->selectedRange();
    FindMatch chosen;
    if (backward) {
        auto after = firstAtOrAfter(matches, selection.location);
        chosen = after == matches.begin() ? matches.back() : *(after - 1);
    } else {
        auto found = selection.isEmpty() ? firstAtOrAfter(matches, selection.location)
                                         : firstAtOrAfter(matches, selection.location + 1);
        chosen = found == matches.end() ? matches.front() : *found;
    }
    display.currentMatch = chosen;
    const EditorViews::TextRange range = chosen.range();
    textView->setSelectedRange(range);
    textView->scrollRangeToVisible(range);
    textView->viewport()->update();
    updateFindCount();
}

// MARK: - Replacing

void FindReplaceFeature::replaceCurrent()
{
    if (!m_bar || !m_window || !m_window->textView()->isEditable())
        return;
    if (!selectedMatchIndex()) {
        selectMatch(false);
        return;
    }
    auto compiled = EditorCore::CompiledSearch::make(m_bar->searchQuery(std::nullopt));
    if (!compiled)
        return;
    EditorViews::EditorTextView* textView = m_window->textView();
    const EditorViews::TextRange selection = textView->selectedRange();
    const std::u16string replacement =
        SnapshotReplacing::replacementText(*compiled,
                                           textView->storage().current(),
                                           selection.location,
                                           selection.length,
                                           EditorKit::utf16View(m_bar->replaceField()->text()));
    const auto replacedLength = static_cast<std::int64_t>(replacement.size());
    EditorCore::TextEdit edit{
        selection, replacement, EditorViews::TextRange{selection.location + replacedLength, 0}};
    m_window->replaceText(edit, localized("바꾸기"));
    runSearch();
    QPointer<FindReplaceFeature> self = this;
    m_schedule(selectAfterReplaceDelay, [self] {
        if (!self || !self->m_bar)
            return;
        // A long text may still be searched: step once the first matches are in.
        self->selectMatch(false);
    });
}

void FindReplaceFeature::replaceAll()
{
    if (!m_bar || !m_window || !m_window->textView()->isEditable())
        return;
    auto compiled = EditorCore::CompiledSearch::make(m_bar->searchQuery(selectionScope()));
    if (!compiled)
        return;
    SnapshotReplacing::Replaced result =
        SnapshotReplacing::replaceAll(*compiled,
                                      m_window->textView()->storage().snapshot(),
                                      EditorKit::utf16View(m_bar->replaceField()->text()));
    if (result.count == 0) {
        beep();
        return;
    }
    EditorCore::TextEdit edit{EditorViews::TextRange{result.location, result.length},
                              std::move(result.text),
                              EditorViews::TextRange{0, 0}};
    m_window->replaceText(edit, localized("모두 바꾸기"));
    runSearch();
    if (m_bar)
        m_bar->setUndoGoesToText(true);
    if (m_bar)
        m_bar->countLabel()->setText(
            localized("%lld곳 바꿈")
                .replace(QStringLiteral("%lld"), QString::number(result.count)));
}

// MARK: - Following edits

void FindReplaceFeature::textDidEdit(const EditorViews::EditRecord&)
{
    if (m_bar)
        m_refresh.start();
}

} // namespace EditorWindow
