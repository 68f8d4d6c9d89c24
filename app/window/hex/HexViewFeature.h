#pragma once

#include "app/views/HexView.h"
#include "app/window/WindowFeature.h"

#include <QObject>
#include <QPointer>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>

namespace EditorKit {
class Presenter;
}

namespace EditorWindow {

// The hex view of a window (in the body's place, the text hidden underneath) and the question
// asked when a file does not look like text: open it read-only anyway, as hex, or not at all.
// Main thread only.
class HexViewFeature
    : public QObject
    , public WindowFeature
{
    Q_OBJECT
public:
    // The not-text question's buttons, in their order.
    enum NotTextAnswer { openAnyway = 0, cancel = 1, openAsHex = 2 };

    HexViewFeature() = default;
    ~HexViewFeature() override;

    void attach(DocumentWindowController& window) override;
    void detach() override;
    // A file judged not to be text is asked about once its window is open...
    void windowDidOpen() override;
    // ...or once its text arrived, when it was read on a worker.
    void documentDidLoad();

    void toggleHex();
    void setHexMode(bool on);
    // Where the caret's text starts in the file, when the text is the file's as read; none
    // otherwise.
    std::optional<std::uint64_t> caretByteOffset() const;
    bool isHexShown() const { return m_hexView != nullptr; }
    void contributeCommandState(CommandStateInputs& inputs) const override;
    bool documentEvent(DocumentEvent event) override;
    // The hex view is the file itself: only another view over the whole body replaces it; a
    // preview goes on underneath.
    void bodyWasTaken(BodyClaim claim) override;
    EditorViews::HexView* hexView() const { return m_hexView; }

    void showNotTextAlert();
    // What the question's answer does.
    void openNotTextReadOnly(int response);
    // The first 32 bytes as "%02X", eight to a line.
    static QString hexPreview(std::span<const std::uint8_t> data);
    // "notText": the file is shown read-only and will not be saved.
    void showNotTextBanner();

    bool respondsToAction(std::string_view action) const override;
    bool validateAction(std::string_view action,
                        const EditorKit::ActionSender& sender) const override;
    void performAction(std::string_view action, const EditorKit::ActionSender& sender) override;

private:
    EditorKit::Presenter& presenter();
    void askIfPending();

    QPointer<DocumentWindowController> m_window;
    QPointer<EditorViews::HexView> m_hexView;
    std::shared_ptr<EditorKit::Presenter> m_ownPresenter;
    bool m_opened = false;
    bool m_asked = false;
};

} // namespace EditorWindow
