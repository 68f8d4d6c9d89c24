#include "app/window/hosting/HostWindows.h"

#include "app/kit/HostWindow.h"

#include <QApplication>
#include <QEvent>
#include <QScreen>

namespace EditorWindow {

HostWindows::HostWindows(EditorKit::ActionRouter& router)
    : m_router(router)
{}

EditorKit::HostWindow* HostWindows::windowToJoin() const
{
    if (auto* active = qobject_cast<EditorKit::HostWindow*>(QApplication::activeWindow()))
        return active;
    if (m_lastActive && m_lastActive->isVisible())
        return m_lastActive;
    return nullptr;
}

EditorKit::HostWindow* HostWindows::makeWindow()
{
    auto* host = new EditorKit::HostWindow(m_router);
    host->setAttribute(Qt::WA_DeleteOnClose);
    host->resize(EditorKit::HostWindow::newWindowSize);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), EditorKit::HostWindow::newWindowSize);
        frame.moveCenter(screen->availableGeometry().center());
        host->move(frame.topLeft());
    }
    host->installEventFilter(this);
    m_lastActive = host;
    m_order.insert(m_order.begin(), host);
    return host;
}

void HostWindows::joinNext(EditorKit::HostWindow* window)
{
    m_joinNext = window;
}

EditorKit::HostWindow* HostWindows::windowForNewPage()
{
    if (m_grouping) {
        if (!m_groupWindow)
            m_groupWindow = makeWindow();
        return m_groupWindow;
    }
    if (m_joinNext)
        return m_joinNext;
    if (EditorKit::HostWindow* host = windowToJoin())
        return host;
    return makeWindow();
}

void HostWindows::beginNewWindowGroup()
{
    m_grouping = true;
    m_groupWindow = nullptr;
}

EditorKit::HostWindow* HostWindows::endNewWindowGroup()
{
    m_grouping = false;
    EditorKit::HostWindow* made = m_groupWindow;
    m_groupWindow = nullptr;
    return made;
}

bool HostWindows::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::WindowActivate) {
        m_lastActive = qobject_cast<EditorKit::HostWindow*>(watched);
        if (m_lastActive) {
            std::erase_if(m_order, [&](const auto& host) { return !host || host == m_lastActive; });
            m_order.insert(m_order.begin(), m_lastActive);
        }
    }
    return QObject::eventFilter(watched, event);
}

void HostWindows::bringToFront(EditorKit::HostWindow* window)
{
    if (!window)
        return;
    std::erase_if(m_order, [&](const auto& host) { return !host || host == window; });
    m_order.insert(m_order.begin(), window);
    window->raise();
}

std::vector<EditorKit::HostWindow*> HostWindows::orderedWindows() const
{
    std::vector<EditorKit::HostWindow*> windows;
    for (const auto& host : m_order) {
        if (host)
            windows.push_back(host);
    }
    return windows;
}

} // namespace EditorWindow
