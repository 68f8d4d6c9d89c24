#pragma once

#include <QObject>
#include <QPointer>

#include <vector>

namespace EditorKit {
class ActionRouter;
class HostWindow;
} // namespace EditorKit

namespace EditorWindow {

// The host windows of one application: which one a new document joins (the one most recently
// made active) and how a new one is made (1180 by 640, centred). The application holds one
// and gives it to every window through the window environment. Main thread only.
class HostWindows : public QObject
{
public:
    explicit HostWindows(EditorKit::ActionRouter& router);

    // The active host window, else the last active one that is still visible, else null.
    EditorKit::HostWindow* windowToJoin() const;
    // A new host window, tracked from now on; it deletes itself when closed.
    EditorKit::HostWindow* makeWindow();
    // The window to join, or a new one; while a group is open, the group's window (made by
    // the first page that asks).
    EditorKit::HostWindow* windowForNewPage();

    // Pages that ask for a window between these two calls go into one new window; the end
    // answers that window (null when no page asked).
    void beginNewWindowGroup();
    // Pages that ask for a window before `joinNext(nullptr)` go into this one (a file opened
    // from a window's folder sidebar becomes a tab of that window).
    void joinNext(EditorKit::HostWindow* window);
    EditorKit::HostWindow* endNewWindowGroup();

    // The host windows made here that still exist, the most recently active first (a new
    // window counts as active when it is made).
    std::vector<EditorKit::HostWindow*> orderedWindows() const;
    // Puts the window first in that order (raised without taking the focus).
    void bringToFront(EditorKit::HostWindow* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    EditorKit::ActionRouter& m_router;
    QPointer<EditorKit::HostWindow> m_lastActive;
    std::vector<QPointer<EditorKit::HostWindow>> m_order;
    bool m_grouping = false;
    QPointer<EditorKit::HostWindow> m_groupWindow;
    QPointer<EditorKit::HostWindow> m_joinNext;
};

} // namespace EditorWindow
