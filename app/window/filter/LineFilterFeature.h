#pragma once

#include "app/views/FilterView.h"
#include "app/window/filter/FilterState.h"
#include "app/window/FindFilterLink.h"
#include "app/window/WindowFeature.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>

namespace EditorKit {
class Presenter;
}
namespace Platform {
class SerialQueue;
}

namespace EditorWindow {

// The line filter of a document window: the list of the lines that match the find bar's query
// shown in the body in place of the text, rerun a moment after the bar or the text changes,
// each full run on a worker over a snapshot of the text and its line index, text added at the
// end filtered on its own, opening a listed line in the text, and the exports (clipboard, a new
// tab, a file).
class LineFilterFeature
    : public QObject
    , public WindowFeature
    , public LineFilterService
    , private FilterHost
{
    Q_OBJECT
public:
    // Opens a new untitled document with its window; none when that failed.
    using UntitledOpener = std::function<DocumentWindowController*()>;

    LineFilterFeature();
    ~LineFilterFeature() override;

    bool isFilterShown() const override { return m_view; }
    void contributeCommandState(CommandStateInputs& inputs) const override;
    EditorViews::FilterView* filterView() const { return m_view; }
    const FilterState& filterState() const { return m_runs.state; }
    bool isFilterScheduled() const { return m_pending.isActive(); }
    std::chrono::milliseconds scheduledInterval() const { return m_pending.intervalAsDuration(); }

    // The filter command and the bar's filter toggle: hides a shown list, else shows it (and
    // the find bar first when there is none).
    void toggleFilter() override;
    void setFilterVisible(bool visible);
    void hideFilter() override { setFilterVisible(false); }
    void filterQueryDidChange() override { scheduleFilter(FilterRuns::barDelay); }
    void scheduleFilter(std::chrono::milliseconds delay);
    void runFilter() { m_runs.runFilter(); }
    void openFilterRow(const EditorCore::LineFilter::Row& row);
    void copyFilterRows(const std::vector<EditorCore::LineFilter::Row>& rows);
    QString filterExportText(const std::vector<EditorCore::LineFilter::Row>& rows) const;
    void exportFilterResults(FilterExport destination) override;
    // Next and previous match while the list is shown.
    void selectAdjacentMatch(bool backward) override;

    void setBeep(std::function<void()> beep) { m_beep = std::move(beep); }
    void setUntitledOpener(UntitledOpener opener) { m_openUntitled = std::move(opener); }
    // Told on the worker as a pass starts and on the main thread as its rows are shown
    // (measurements and tests).
    void setPassObserver(std::function<void(const FilterPass&)> started,
                         std::function<void(const FilterPassResult&)> shown);

    void attach(DocumentWindowController& window) override;
    void detach() override;
    void textDidEdit(const EditorViews::EditRecord& edit) override;
    void settingsDidChange(const std::vector<std::string>& changedKeys) override;
    // A shown list takes the text's font, spacing and tab width again (zoom, the tool band).
    void displayOptionsDidChange() override;
    // Any other view of the body sends the list away.
    void bodyWasTaken(BodyClaim claim) override;

    bool respondsToAction(std::string_view action) const override;
    bool validateAction(std::string_view action,
                        const EditorKit::ActionSender& sender) const override;
    void performAction(std::string_view action, const EditorKit::ActionSender& sender) override;

protected:
    // Keeps the list over the body and the keyboard off the covered text.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class ListLink;

    // FilterHost
    FilterBar* filterBar() override;
    FilterList* filterList() override;
    const EditorCore::TextSnapshot* filterText() const override;
    const EditorCore::LineIndex& filterLineIndex() const override;
    void startFilterPass(FilterPass pass) override;
    void scheduleFilterRun(std::chrono::milliseconds delay) override;
    void cancelScheduledFilterRun() override;

    FindBarService* findService() const;
    void placeView();
    void applyFont();
    void beep();
    EditorKit::Presenter& presenter();
    void refreshWindow();

    DocumentWindowController* m_window = nullptr;
    QPointer<EditorViews::FilterView> m_view;
    FilterRuns m_runs{*this};
    std::unique_ptr<ListLink> m_listLink;
    QTimer m_pending;
    std::unique_ptr<Platform::SerialQueue> m_queue;
    std::function<void()> m_beep;
    UntitledOpener m_openUntitled;
    std::shared_ptr<EditorKit::Presenter> m_ownPresenter;
    std::function<void(const FilterPass&)> m_passStarted;
    std::function<void(const FilterPassResult&)> m_passShown;
};

} // namespace EditorWindow
