#include "app/window/filter/LineFilterFeature.h"
#include "app/window/CommandState.h"

#include "app/documents/DocumentController.h"
#include "app/kit/Localized.h"
#include "app/kit/Presenter.h"
#include "app/kit/Utf16.h"
#include "app/views/EditorTextView.h"
#include "app/views/FilterView.h"
#include "app/views/TextStorage.h"
#include "app/window/ApplicationWindows.h"
#include "app/window/DocumentContentView.h"
#include "app/window/DocumentWindowController.h"
#include "app/window/WindowDocument.h"
#include "platform/Files.h"
#include "platform/SerialQueue.h"

#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QScrollBar>

#include <algorithm>

namespace EditorWindow {

using EditorCore::LineFilter;
using EditorKit::localized;

// MARK: - The list as the runs see it

class LineFilterFeature::ListLink : public FilterList
{
public:
    explicit ListLink(LineFilterFeature& owner)
        : m_owner(owner)
    {}
    EditorViews::FilterLinesView& lines() const { return *m_owner.m_view->lines(); }

    void setFilterContent(bool emptyText,
                          std::vector<EditorCore::CompiledSearch> highlights,
                          std::optional<QString> message) override
    {
        EditorViews::FilterLinesView& view = lines();
        EditorViews::EditorTextView* text = m_owner.m_window->textView();
        if (emptyText)
            view.setOwnText(QString());
        else
            view.setSource(&text->storage().current(), &text->lineIndex());
        view.highlights = std::move(highlights);
        view.message = std::move(message);
    }
    const std::vector<LineFilter::Row>& filterRows() const override { return lines().rows; }
    void replaceFilterRows(std::vector<LineFilter::Row> rows, bool clearSelection) override
    {
        EditorViews::FilterLinesView& view = lines();
        view.rows = std::move(rows);
        const int last = static_cast<int>(view.rows.size()) - 1;
        if (clearSelection || last < 0) {
            view.selection.reset();
        } else if (view.selection) {
            view.selection->anchor = std::min(view.selection->anchor, last);
            view.selection->head = std::min(view.selection->head, last);
        }
    }
    bool isFilterListAtEnd() const override { return m_owner.m_view->isScrolledToEnd(); }
    void scrollFilterListToEnd() override { m_owner.m_view->scrollToEnd(); }
    void layoutFilterList() override
    {
        m_owner.m_view->layoutLines();
        lines().update();
    }

private:
    LineFilterFeature& m_owner;
};

// MARK: - The feature

LineFilterFeature::LineFilterFeature()
    : m_listLink(std::make_unique<ListLink>(*this))
{
    m_pending.setSingleShot(true);
    connect(&m_pending, &QTimer::timeout, this, [this] { runFilter(); });
    m_beep = [] { QApplication::beep(); };
    m_openUntitled = []() -> DocumentWindowController* {
        EditorDocuments::DocumentController* documents = ApplicationWindows::documentController();
        if (!documents)
            return nullptr;
        return ApplicationWindows::controllerOf(documents->makeUntitledDocument(true));
    };
}

LineFilterFeature::~LineFilterFeature()
{
    if (m_runs.state.cancel)
        m_runs.state.cancel->cancel();
    // Joins the worker before this object goes, so no pass posts to it afterwards.
    m_queue.reset();
    delete m_view;
}

void LineFilterFeature::setPassObserver(std::function<void(const FilterPass&)> started,
                                        std::function<void(const FilterPassResult&)> shown)
{
    m_passStarted = std::move(started);
    m_passShown = std::move(shown);
}

void LineFilterFeature::attach(DocumentWindowController& window)
{
    m_window = &window;
    window.textView()->installEventFilter(this);
}

void LineFilterFeature::detach()
{
    m_pending.stop();
    if (m_runs.state.cancel)
        m_runs.state.cancel->cancel();
    ++m_runs.state.generation;
    if (m_window)
        m_window->textView()->removeEventFilter(this);
    delete m_view;
    m_window = nullptr;
}

FindBarService* LineFilterFeature::findService() const
{
    return m_window ? m_window->service<FindBarService>() : nullptr;
}

void LineFilterFeature::beep()
{
    if (m_beep)
        m_beep();
}

EditorKit::Presenter& LineFilterFeature::presenter()
{
    if (m_window && m_window->environment().presenter)
        return *m_window->environment().presenter;
    if (!m_ownPresenter)
        m_ownPresenter = std::make_shared<EditorKit::WidgetPresenter>();
    return *m_ownPresenter;
}

void LineFilterFeature::refreshWindow()
{
    // The tool band's switch follows the window's refresh.
    if (m_window)
        m_window->setNeedsRefresh();
}

// MARK: Actions

bool LineFilterFeature::respondsToAction(std::string_view action) const
{
    return action == "toggleFilter:";
}

bool LineFilterFeature::validateAction(std::string_view action,
                                       const EditorKit::ActionSender&) const
{
    return respondsToAction(action) && m_window;
}

void LineFilterFeature::performAction(std::string_view action, const EditorKit::ActionSender&)
{
    if (action == "toggleFilter:")
        toggleFilter();
}

// MARK: Showing and hiding

void LineFilterFeature::toggleFilter()
{
    if (!m_window)
        return;
    if (isFilterShown()) {
        setFilterVisible(false);
        return;
    }
    if (!filterBar()) {
        if (FindBarService* find = findService())
            find->showFindBar(false);
    }
    if (!isFilterShown())
        setFilterVisible(true);
}

void LineFilterFeature::applyFont()
{
    if (!m_view || !m_window)
        return;
    EditorViews::FilterLinesView& lines = *m_view->lines();
    EditorViews::EditorTextView* text = m_window->textView();
    lines.font = text->editorFont();
    lines.lineHeightMultiple = text->paragraphStyle().lineHeightMultiple;
    lines.tabInterval = text->paragraphStyle().defaultTabInterval;
    lines.updateMetrics();
    m_view->layoutLines();
    lines.update();
}

void LineFilterFeature::placeView()
{
    if (!m_view || !m_window)
        return;
    m_view->setGeometry(m_window->content()->body()->geometry());
    m_view->raise();
}

void LineFilterFeature::setFilterVisible(bool visible)
{
    if (!m_window || visible == isFilterShown())
        return;
    EditorViews::EditorTextView* text = m_window->textView();
    if (visible) {
        // The list takes the whole body: the other views of the body leave it.
        m_window->claimBody(*this, BodyClaim::whole);
        // Over the body, in the text's place; the text stays where it is underneath.
        auto* view = new EditorViews::FilterView(m_window->content());
        view->setBeep([this] { beep(); });
        m_view = view;
        applyFont();
        QPointer<LineFilterFeature> self = this;
        view->lines()->onOpen = [self](const LineFilter::Row& row) {
            if (self)
                self->openFilterRow(row);
        };
        view->lines()->onCopy = [self](const std::vector<LineFilter::Row>& rows) {
            if (self)
                self->copyFilterRows(rows);
        };
        const bool textHadFocus = text->hasFocus();
        placeView();
        view->show();
        if (textHadFocus)
            view->lines()->setFocus();
        if (FindBarService* find = findService())
            find->setFilterRowShown(true);
        runFilter();
        refreshWindow();
        return;
    }

    m_runs.stop();
    QPointer<EditorViews::FilterView> old = m_view;
    QWidget* focus = QApplication::focusWidget();
    const bool listHadFocus = !focus || (old && old->isAncestorOf(focus));
    m_view = nullptr;
    m_window->releaseBody(*this);
    if (old) {
        old->hide();
        old->deleteLater();
    }
    if (FindBarService* find = findService())
        find->setFilterRowShown(false);
    if (listHadFocus)
        text->setFocus();
    refreshWindow();
}

bool LineFilterFeature::eventFilter(QObject* watched, QEvent* event)
{
    if (m_view && m_window && watched == m_window->textView()) {
        switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
            placeView();
            break;
        case QEvent::FocusIn: {
            // The covered text never takes keys.
            QPointer<EditorViews::FilterView> view = m_view;
            QTimer::singleShot(0, this, [view] {
                if (view)
                    view->lines()->setFocus();
            });
            break;
        }
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

void LineFilterFeature::bodyWasTaken(BodyClaim)
{
    setFilterVisible(false);
}

void LineFilterFeature::displayOptionsDidChange()
{
    if (isFilterShown())
        applyFont();
}

void LineFilterFeature::settingsDidChange(const std::vector<std::string>& changedKeys)
{
    for (const std::string& key : changedKeys) {
        if (key == "view.font.name" || key == "view.font.size" || key == "view.lineSpacing") {
            applyFont();
            return;
        }
    }
}

// MARK: Runs

void LineFilterFeature::scheduleFilter(std::chrono::milliseconds delay)
{
    if (isFilterShown())
        scheduleFilterRun(delay);
}

FilterBar* LineFilterFeature::filterBar()
{
    FindBarService* find = findService();
    return find ? find->filterBar() : nullptr;
}

FilterList* LineFilterFeature::filterList()
{
    return m_view && m_window ? m_listLink.get() : nullptr;
}

const EditorCore::TextSnapshot* LineFilterFeature::filterText() const
{
    return m_window ? &m_window->textView()->storage().current() : nullptr;
}

const EditorCore::LineIndex& LineFilterFeature::filterLineIndex() const
{
    static const EditorCore::LineIndex empty{std::u16string_view()};
    return m_window ? m_window->textView()->lineIndex() : empty;
}

void LineFilterFeature::scheduleFilterRun(std::chrono::milliseconds delay)
{
    if (isFilterShown())
        m_pending.start(delay);
}

void LineFilterFeature::cancelScheduledFilterRun()
{
    m_pending.stop();
}

void LineFilterFeature::startFilterPass(FilterPass pass)
{
    if (!m_queue)
        m_queue = std::make_unique<Platform::SerialQueue>("app.orlune.viewer.filter");
    auto started = m_passStarted;
    m_queue->async([this, pass = std::move(pass), started]() mutable {
        if (started)
            started(pass);
        FilterPassResult result;
        // A huge text may not fit twice; a pass that could not finish shows nothing.
        try {
            result.hits = pass.run();
        } catch (const std::bad_alloc&) {
            result.hits.reset();
        }
        // Let go of the snapshot before the result is in: the chunks that edits have replaced
        // since are freed here, on the worker.
        pass.text = {};
        result.generation = pass.generation;
        result.firstLine = pass.firstLine;
        result.lineCount = pass.lineCount;
        result.appended = pass.appended;
        QMetaObject::invokeMethod(
            this,
            [this, result = std::move(result)]() mutable {
                if (!m_window)
                    return;
                const bool taken = result.hits && result.generation == m_runs.state.generation;
                FilterPassResult seen;
                if (taken && m_passShown) {
                    seen.generation = result.generation;
                    seen.firstLine = result.firstLine;
                    seen.lineCount = result.lineCount;
                    seen.appended = result.appended;
                }
                m_runs.passEnded(std::move(result));
                if (taken && m_passShown)
                    m_passShown(seen);
            },
            Qt::QueuedConnection);
    });
}

void LineFilterFeature::textDidEdit(const EditorViews::EditRecord& edit)
{
    m_runs.textDidEdit(edit);
}

void LineFilterFeature::selectAdjacentMatch(bool backward)
{
    if (m_view)
        m_view->selectAdjacentMatch(backward);
}

// MARK: Opening and exporting

void LineFilterFeature::openFilterRow(const LineFilter::Row& row)
{
    if (!m_window || row.line < 0)
        return;
    EditorViews::EditorTextView* text = m_window->textView();
    const auto target = FilterRuns::openTarget(
        row, m_runs.state.filter, text->storage().current(), text->lineIndex());
    if (!target)
        return;
    setFilterVisible(false);
    text->setSelectedRange(*target);
    text->scrollRangeToVisible(*target);
    if (auto caret = text->caretRect()) {
        QScrollBar* bar = text->verticalScrollBar();
        const double offset = caret->center().y() - text->viewport()->height() / 2.0;
        bar->setValue(bar->value() + static_cast<int>(offset));
    }
    text->setFocus();
}

QString LineFilterFeature::filterExportText(const std::vector<LineFilter::Row>& rows) const
{
    if (!m_window)
        return {};
    EditorViews::EditorTextView* text = m_window->textView();
    return FilterRuns::exportText(
        rows, text->storage().current(), text->lineIndex(), m_window->effectiveLineEnding());
}

void LineFilterFeature::copyFilterRows(const std::vector<LineFilter::Row>& rows)
{
    QGuiApplication::clipboard()->setText(filterExportText(rows));
}

void LineFilterFeature::exportFilterResults(FilterExport destination)
{
    if (!m_window)
        return;
    if (!m_view || m_view->lines()->rows.empty()) {
        beep();
        return;
    }
    const std::vector<LineFilter::Row> rows = m_view->lines()->rows;
    switch (destination) {
    case FilterExport::copy:
        copyFilterRows(rows);
        if (FilterBar* bar = filterBar())
            bar->setFilterCountText(
                localized("%n줄 복사함", nullptr, static_cast<long long>(rows.size())));
        return;
    case FilterExport::newTab: {
        const QString text = filterExportText(rows);
        DocumentWindowController* other = m_openUntitled ? m_openUntitled() : nullptr;
        if (!other)
            return;
        EditorViews::EditorTextView* view = other->textView();
        view->insertText(text, EditorViews::TextRange{0, 0});
        view->setSelectedRange(EditorViews::TextRange{0, 0});
        view->scrollRangeToVisible(EditorViews::TextRange{0, 0});
        return;
    }
    case FilterExport::save: {
        const QString text = filterExportText(rows);
        WindowDocument* document = m_window->document();
        const QString name =
            FilterRuns::proposedExportName(document ? document->fileURL() : std::nullopt);
        QPointer<LineFilterFeature> self = this;
        const auto path = presenter().runSavePanel(m_window->page(), name);
        if (!path || !self || !m_window)
            return;
        const QByteArray bytes = text.toUtf8();
        auto written = Platform::writeAtomically(
            *path,
            std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
            0644);
        if (!written) {
            EditorKit::Alert alert;
            alert.style = EditorKit::Alert::Style::warning;
            alert.text = QString::fromStdString(written.error().message());
            alert.informativeText = QString::fromStdString(path->string());
            alert.buttons = {localized("확인")};
            alert.cancelButton = 0;
            presenter().runAlert(alert, m_window->page());
        }
        return;
    }
    }
}

void LineFilterFeature::contributeCommandState(CommandStateInputs& inputs) const
{
    inputs.filterShown = isFilterShown();
}

} // namespace EditorWindow
