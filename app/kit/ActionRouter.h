#pragma once

#include "app/kit/Responder.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <string_view>
#include <vector>

class QWidget;

namespace EditorKit {

// The application's own actions at the end of the chain: hiding and showing the windows and
// quitting ("hide:", "unhideAllApplications:", "terminate:"). Hiding other programs' windows
// ("hideOtherApplications:") has no counterpart here, so nothing answers it.
class ApplicationResponder : public ActionTableResponder
{
public:
    ApplicationResponder();
};

// Sends actions along the responder chain of a window:
//   focused view (and the views around it, inward out, up to the tab page)
//   → the tab page (the window: performClose:, undo:, redo:, toggleTabBar:, toggleFullScreen:)
//   → its window controller → its document
//   → the document controller → the application delegate → the application's own actions.
// The window controller and the document are set on each tab page, the document controller and
// the application delegate here; each is a QObject that also implements Responder, held weakly.
// Main thread only.
class ActionRouter
{
public:
    ActionRouter();
    ActionRouter(const ActionRouter&) = delete;
    ActionRouter& operator=(const ActionRouter&) = delete;

    // The router of the running application (created on first use).
    static ActionRouter& shared();

    // `object` must implement Responder (otherwise it is ignored with a warning); nullptr
    // clears the link.
    void setDocumentController(QObject* object);
    QObject* documentController() const { return m_documentController; }
    void setApplicationDelegate(QObject* object);

    // What happens when an action finds no responder or is not enabled; the default beeps.
    void setUnhandledHandler(std::function<void(std::string_view action)> handler);

    // The chain for a host window (nullptr: no window, only the application-wide links).
    std::vector<Responder*> chain(QWidget* window) const;
    // The first link that implements the action, or nullptr.
    Responder* target(std::string_view action, QWidget* window) const;
    // Whether the action can run now: its target exists and enables it.
    bool validate(std::string_view action, const ActionSender& sender, QWidget* window) const;
    // Whether the switch behind the action is on: the first link of the chain that knows; off
    // when none does.
    bool isOn(std::string_view action, const ActionSender& sender, QWidget* window) const;
    // Performs the action on its target when enabled and returns true; otherwise beeps, does
    // nothing and returns false.
    bool send(std::string_view action, const ActionSender& sender, QWidget* window);

private:
    QPointer<QObject> m_documentController;
    QPointer<QObject> m_applicationDelegate;
    mutable ApplicationResponder m_application;
    std::function<void(std::string_view)> m_unhandled;
};

// The Responder behind a weakly held link, or nullptr.
Responder* responderOf(const QPointer<QObject>& object);
// Logs and returns false when `object` is set but implements no Responder.
bool checkResponder(QObject* object, const char* role);

} // namespace EditorKit
