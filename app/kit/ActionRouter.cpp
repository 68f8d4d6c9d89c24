#include "app/kit/ActionRouter.h"

#include "app/kit/HostWindow.h"
#include "app/kit/NotificationCenter.h"
#include "app/kit/TabPage.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QMenuBar>
#include <QWidget>

namespace EditorKit {

Q_LOGGING_CATEGORY(kitLog, "app.orlune.viewer.kit")

Responder* responderOf(const QPointer<QObject>& object)
{
    return dynamic_cast<Responder*>(object.data());
}

bool checkResponder(QObject* object, const char* role)
{
    if (!object || dynamic_cast<Responder*>(object))
        return true;
    qCWarning(kitLog) << role << "does not implement Responder:" << object;
    return false;
}

namespace {

std::vector<HostWindow*> hostWindows()
{
    std::vector<HostWindow*> windows;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* host = qobject_cast<HostWindow*>(widget))
            windows.push_back(host);
    }
    return windows;
}

} // namespace

ApplicationResponder::ApplicationResponder()
{
    addHandler("hide:", [](const ActionSender&) {
        for (auto* host : hostWindows()) {
            if (host->isVisible())
                host->showMinimized();
        }
    });
    addHandler("unhideAllApplications:", [](const ActionSender&) {
        for (auto* host : hostWindows()) {
            if (host->isMinimized())
                host->showNormal();
        }
    });
    // Each window may refuse to close (a document with unsaved edits); quit only when all did.
    addHandler("terminate:", [](const ActionSender&) {
        QApplication::closeAllWindows();
        for (auto* host : hostWindows()) {
            if (host->isVisible())
                return;
        }
        QCoreApplication::quit();
    });
}

ActionRouter::ActionRouter()
    : m_unhandled([](std::string_view) { QApplication::beep(); })
{}

ActionRouter& ActionRouter::shared()
{
    static ActionRouter router;
    return router;
}

void ActionRouter::setDocumentController(QObject* object)
{
    m_documentController = checkResponder(object, "document controller") ? object : nullptr;
}

void ActionRouter::setApplicationDelegate(QObject* object)
{
    m_applicationDelegate = checkResponder(object, "application delegate") ? object : nullptr;
}

void ActionRouter::setUnhandledHandler(std::function<void(std::string_view)> handler)
{
    m_unhandled = std::move(handler);
}

std::vector<Responder*> ActionRouter::chain(QWidget* window) const
{
    std::vector<Responder*> links;
    auto* host = qobject_cast<HostWindow*>(window);
    if (TabPage* page = host ? host->currentPage() : nullptr) {
        // The window's focus widget is remembered while the window is inactive, so a window
        // that is not (or cannot be) active still routes to its focused view.
        QWidget* focus = host->focusWidget();
        // After Escape closes one of its menus the menu bar holds the keys until the next click
        // or Escape; the menus opened meanwhile still speak of the view that had the focus.
        if (qobject_cast<QMenuBar*>(focus))
            focus = page->focusWidget();
        if (focus && page->isAncestorOf(focus)) {
            for (QWidget* view = focus; view && view != page; view = view->parentWidget()) {
                if (auto* responder = dynamic_cast<Responder*>(view))
                    links.push_back(responder);
            }
        }
        links.push_back(page);
        if (auto* controller = page->windowControllerResponder())
            links.push_back(controller);
        if (auto* document = page->documentResponder())
            links.push_back(document);
    }
    if (auto* controller = responderOf(m_documentController))
        links.push_back(controller);
    if (auto* delegate = responderOf(m_applicationDelegate))
        links.push_back(delegate);
    links.push_back(&m_application);
    return links;
}

Responder* ActionRouter::target(std::string_view action, QWidget* window) const
{
    for (Responder* link : chain(window)) {
        if (link->respondsToAction(action))
            return link;
    }
    return nullptr;
}

bool ActionRouter::validate(std::string_view action,
                            const ActionSender& sender,
                            QWidget* window) const
{
    Responder* responder = target(action, window);
    return responder && responder->validateAction(action, sender);
}

bool ActionRouter::isOn(std::string_view action, const ActionSender& sender, QWidget* window) const
{
    for (Responder* link : chain(window)) {
        if (auto state = link->actionState(action, sender))
            return *state;
    }
    return false;
}

bool ActionRouter::send(std::string_view action, const ActionSender& sender, QWidget* window)
{
    Responder* responder = target(action, window);
    if (!responder || !responder->validateAction(action, sender)) {
        if (m_unhandled)
            m_unhandled(action);
        return false;
    }
    responder->performAction(action, sender);
    NotificationCenter::shared().post(NotificationCenter::actionDidSend);
    return true;
}

} // namespace EditorKit
