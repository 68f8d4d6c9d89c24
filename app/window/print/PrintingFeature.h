#pragma once

#include "app/window/WindowFeature.h"

#include <memory>

class QPrinter;

namespace EditorKit {
class Presenter;
}

namespace EditorWindow {

// The print command of a document window: the print panel (through the window's presenter),
// then the document's text laid out by our own paginator and painted on the chosen printer,
// with a progress panel that can stop a long print. The printer keeps the user's choices for
// the next print of the window.
class PrintingFeature : public WindowFeature
{
public:
    PrintingFeature();
    ~PrintingFeature() override;

    void attach(DocumentWindowController& window) override;
    void detach() override;

    bool respondsToAction(std::string_view action) const override;
    bool validateAction(std::string_view action,
                        const EditorKit::ActionSender& sender) const override;
    void performAction(std::string_view action, const EditorKit::ActionSender& sender) override;

    // Asks for the printer, then prints; false when the user cancelled or printing failed (the
    // failure is shown).
    bool printDocument();
    // The printer of this window's prints, made on first use.
    QPrinter& printer();

private:
    EditorKit::Presenter& presenter();

    DocumentWindowController* m_window = nullptr;
    std::unique_ptr<QPrinter> m_printer;
    std::shared_ptr<EditorKit::Presenter> m_ownPresenter;
};

} // namespace EditorWindow
