#pragma once

#include "app/window/find/BackgroundFind.h"
#include "app/window/find/FindBarView.h"
#include "app/window/FindFilterLink.h"
#include "app/window/WindowFeature.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>

namespace EditorWindow {

// Find and replace in one document window, driven by the find bar below the banners: opening
// and closing the bar, the search of every match on a snapshot of the text off the main thread
// (batches appended to the display state's highlights as they come), the count, next and
// previous with wrap-around, replace and replace all as one undoable step each, and a fresh
// search a moment after the text changes.
class FindReplaceFeature
    : public QObject
    , public WindowFeature
    , public FindBarService
{
    Q_OBJECT
public:
    // Runs `work` after `delay` on the main thread (tests step it by hand).
    using Scheduler = std::function<void(std::chrono::milliseconds delay, std::function<void()>)>;

    FindReplaceFeature();
    ~FindReplaceFeature() override;

    void setScheduler(Scheduler scheduler) { m_schedule = std::move(scheduler); }
    void setBeep(std::function<void()> beep) { m_beep = std::move(beep); }

    // None while closed.
    FindBarView* findBar() const { return m_bar; }
    bool isSearching() const { return m_running; }
    std::uint64_t findGeneration() const { return m_search ? m_search->generation() : 0; }
    BackgroundFind* backgroundFind() const { return m_search.get(); }

    void showFindBar(bool replace) override;
    // The bar's filter query and options, while the bar shows.
    FilterBar* filterBar() override;
    void setFilterRowShown(bool shown) override;
    void runSearch();
    void selectMatch(bool backward);
    // Whether the matches found so far settle where a step from the selection lands.
    bool answerKnown(bool backward) const;
    void replaceCurrent();
    void replaceAll();
    void useSelectionForFind();
    void closeFindBar();
    void updateFindCount();

    void attach(DocumentWindowController& window) override;
    void detach() override;
    void textDidEdit(const EditorViews::EditRecord& edit) override;
    Bands bands() const override;

    bool respondsToAction(std::string_view action) const override;
    bool validateAction(std::string_view action,
                        const EditorKit::ActionSender& sender) const override;
    void performAction(std::string_view action, const EditorKit::ActionSender& sender) override;

private:
    FindBarView* makeFindBar();
    class FilterLink;

    // The window's line filter, when it has one.
    LineFilterService* lineFilter() const;
    void applyBatch(BackgroundFind::Batch&& batch);
    void clearMatches();
    std::optional<EditorCore::SearchScope> selectionScope() const;
    // The index of the match with exactly the selection's range, if any.
    std::optional<std::size_t> selectedMatchIndex() const;
    void beep();

    DocumentWindowController* m_window = nullptr;
    QPointer<FindBarView> m_bar;
    std::unique_ptr<BackgroundFind> m_search;
    bool m_running = false;
    // The last search ended at the reach of the matches' offsets: the total is a lower bound.
    bool m_cutShort = false;
    // A replace wanted the next match before the new search delivered any.
    bool m_selectOnDelivery = false;
    bool m_selectBackward = false;
    QTimer m_refresh;
    Scheduler m_schedule;
    std::function<void()> m_beep;
    std::unique_ptr<FilterLink> m_filterLink;
};

} // namespace EditorWindow
