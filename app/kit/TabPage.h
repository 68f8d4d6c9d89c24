#pragma once

#include "app/kit/Responder.h"

#include <QPointer>
#include <QWidget>

#include <functional>

class QUndoStack;

namespace EditorKit {

class HostWindow;

// One tab of a host window: the page that shows one document. In the responder chain it plays
// the window's part: it closes itself (performClose:), undoes and redoes through its document's
// undo stack, and shows or hides the tab bar and full screen of its host window.
class TabPage
    : public QWidget
    , public Responder
{
    Q_OBJECT

public:
    explicit TabPage(QWidget* parent = nullptr);

    // The next links of the chain after this page. Each must implement Responder; held weakly.
    void setWindowController(QObject* controller);
    void setDocument(QObject* document);
    Responder* windowControllerResponder() const;
    Responder* documentResponder() const;

    // The document's undo stack (held weakly); without one, undo: and redo: are disabled.
    void setUndoStack(QUndoStack* stack);
    QUndoStack* undoStack() const;
    // Asked before undo: and redo: change the text: false (a text that takes no input, as a
    // followed log or a read-only file) disables both. Without it, the stack decides alone.
    void setUndoAllowed(std::function<bool()> allowed);

    // Replaces what performClose: does (by default the host window closes the page), so that
    // the document can first review unsaved edits.
    void setCloseHandler(std::function<void()> handler);
    // Asked before the page closes, by performClose: and by its host window's close; false
    // keeps the page (the user chose to keep unsaved edits).
    void setCloseGuard(std::function<bool()> guard);
    bool mayClose() const { return !m_closeGuard || m_closeGuard(); }
    // Closes without asking the guard: the caller already did.
    void closeWithoutAsking();

    // The host window the page is a tab of, or nullptr.
    HostWindow* hostWindow() const;

    bool respondsToAction(std::string_view action) const override;
    bool validateAction(std::string_view action, const ActionSender& sender) const override;
    std::optional<bool> actionState(std::string_view action,
                                    const ActionSender& sender) const override;
    void performAction(std::string_view action, const ActionSender& sender) override;

private:
    QPointer<QObject> m_windowController;
    QPointer<QObject> m_document;
    QPointer<QUndoStack> m_undoStack;
    std::function<void()> m_closeHandler;
    std::function<bool()> m_closeGuard;
    std::function<bool()> m_undoAllowed;

    bool undoAllowed() const { return !m_undoAllowed || m_undoAllowed(); }
};

} // namespace EditorKit
