#include "app/kit/TabPage.h"

#include "app/kit/ActionRouter.h"
#include "app/kit/HostWindow.h"

#include <QUndoStack>

#include <array>

namespace EditorKit {

namespace {

constexpr std::array<std::string_view, 5> pageActions = {
    "performClose:",
    "undo:",
    "redo:",
    "toggleTabBar:",
    "toggleFullScreen:",
};

} // namespace

TabPage::TabPage(QWidget* parent)
    : QWidget(parent)
{}

void TabPage::setWindowController(QObject* controller)
{
    m_windowController = checkResponder(controller, "window controller") ? controller : nullptr;
}

void TabPage::setDocument(QObject* document)
{
    m_document = checkResponder(document, "document") ? document : nullptr;
}

Responder* TabPage::windowControllerResponder() const
{
    return responderOf(m_windowController);
}

Responder* TabPage::documentResponder() const
{
    return responderOf(m_document);
}

void TabPage::setUndoStack(QUndoStack* stack)
{
    m_undoStack = stack;
}

QUndoStack* TabPage::undoStack() const
{
    return m_undoStack.data();
}

void TabPage::setUndoAllowed(std::function<bool()> allowed)
{
    m_undoAllowed = std::move(allowed);
}

void TabPage::setCloseHandler(std::function<void()> handler)
{
    m_closeHandler = std::move(handler);
}

void TabPage::setCloseGuard(std::function<bool()> guard)
{
    m_closeGuard = std::move(guard);
}

void TabPage::closeWithoutAsking()
{
    if (m_closeHandler)
        m_closeHandler();
    else if (auto* host = hostWindow())
        host->closePage(this);
}

HostWindow* TabPage::hostWindow() const
{
    return qobject_cast<HostWindow*>(window());
}

bool TabPage::respondsToAction(std::string_view action) const
{
    for (auto own : pageActions) {
        if (own == action)
            return true;
    }
    return false;
}

bool TabPage::validateAction(std::string_view action, const ActionSender&) const
{
    if (action == "undo:")
        return undoAllowed() && m_undoStack && m_undoStack->canUndo();
    if (action == "redo:")
        return undoAllowed() && m_undoStack && m_undoStack->canRedo();
    if (action == "performClose:")
        return true;
    return hostWindow() != nullptr;
}

std::optional<bool> TabPage::actionState(std::string_view action, const ActionSender&) const
{
    HostWindow* host = hostWindow();
    if (!host)
        return std::nullopt;
    if (action == "toggleTabBar:")
        return host->isTabBarAlwaysShown();
    if (action == "toggleFullScreen:")
        return host->isFullScreen();
    return std::nullopt;
}

void TabPage::performAction(std::string_view action, const ActionSender&)
{
    if (action == "undo:") {
        if (m_undoStack && undoAllowed())
            m_undoStack->undo();
    } else if (action == "redo:") {
        if (m_undoStack && undoAllowed())
            m_undoStack->redo();
    } else if (action == "performClose:") {
        if (mayClose())
            closeWithoutAsking();
    } else if (action == "toggleTabBar:") {
        if (auto* host = hostWindow())
            host->toggleTabBar();
    } else if (action == "toggleFullScreen:") {
        if (auto* host = hostWindow())
            host->toggleFullScreen();
    }
}

} // namespace EditorKit
