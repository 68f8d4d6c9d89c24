#pragma once

#include "app/documents/DocumentWindow.h"
#include "app/window/DocumentWindowController.h"
#include "app/window/WindowDocument.h"
#include "app/window/hosting/CloseDecision.h"

#include <functional>
#include <memory>

namespace EditorDocuments {
class DocumentController;
class TextDocument;
struct DocumentServices;
} // namespace EditorDocuments

namespace EditorKit {
class Presenter;
}

namespace EditorWindow {

// What the window reads of a TextDocument.
class TextDocumentLink : public WindowDocument
{
public:
    // `router` leads to the document controller that takes the outside copies and opens
    // rescued edits' files; none: those do nothing.
    explicit TextDocumentLink(EditorDocuments::TextDocument& document,
                              EditorKit::ActionRouter* router = nullptr);

    QObject* documentObject() override;
    std::optional<std::filesystem::path> fileURL() const override;
    QString displayName() const override;
    EditorCore::TextEncoding encoding() const override;
    bool hasByteOrderMark() const override;
    bool isEncodingGuessUnsure() const override;
    EditorCore::LineEndingSummary lineEndings() const override;
    std::optional<EditorCore::IndentStyle> indentStyle() const override;
    bool indentChosenByUser() const override;
    bool isReadOnly() const override;
    bool isExternalCopy() const override;
    bool hasLargeFile() const override;
    bool isWritingToDisk() const override;
    EditorCore::TextSnapshot loadedText() const override;
    std::optional<QString> openedText() const override;
    void readOpenedText(std::function<void(std::optional<QString>)> done) override;
    QUndoStack* undoStack() override;
    bool isEdited() const override;
    std::optional<EditorCore::EncodingGuess> encodingGuess() const override;
    void setLineEndings(const EditorCore::LineEndingSummary& summary) override;
    void changeEncoding(EditorCore::TextEncoding encoding,
                        bool byteOrderMark,
                        const QString& actionName) override;
    void chooseIndentStyle(std::optional<EditorCore::IndentStyle> style) override;
    void reopen(EditorCore::TextEncoding encoding, std::function<void(bool)> done) override;
    void
    readCurrentFile(bool replacesText,
                    std::function<void(std::optional<EditorDocuments::CurrentFile>)> done) override;
    void
    readDiskIdentity(std::function<void(std::optional<EditorCore::DiskIdentity>)> done) override;
    std::optional<EditorDocuments::ReadOnlyReason> readOnlyReason() const override;
    void clearReadOnlyReason() override;
    void chooseReadOnly() override;
    std::optional<Platform::Uuid> scratchID() const override;
    bool isAdminEditing() const override;
    void beginAdminEditing() override;
    std::optional<EditorDocuments::LargeFileState> largeFileState() const override;
    std::optional<EditorCore::DiskIdentity> diskIdentity() const override;
    void adoptDiskIdentity(std::optional<EditorCore::DiskIdentity> identity) override;
    void moveToURL(const std::filesystem::path& url) override;
    void markUnedited() override;
    void saveDocument() override;
    void saveDocumentAs() override;
    void autosave() override;
    DocumentWindowController* openExternalCopy(const QString& text) override;
    bool isLoading() const override;
    void setLargeFileState(const EditorDocuments::LargeFileState& state) override;
    std::optional<std::vector<std::uint8_t>> pendingBinaryHead() const override;
    void openNotTextReadOnly(std::function<void(std::optional<EditorCore::TextSnapshot>,
                                                EditorCore::LineIndex lines)> done) override;
    std::optional<std::filesystem::path> rescuedOrigin() const override;
    void openRescuedOrigin() override;
    void openFiles(const std::vector<std::filesystem::path>& files) override;
    void discardRescuedText() override;

private:
    EditorDocuments::DocumentController* documentController() const;

    EditorDocuments::TextDocument& m_document;
    EditorKit::ActionRouter* m_router = nullptr;
};

// The window controller a TextDocument owns, seen from the document's side.
class TextDocumentWindow : public EditorDocuments::DocumentWindow
{
public:
    TextDocumentWindow(EditorDocuments::TextDocument& document,
                       EditorKit::ActionRouter& router,
                       WindowEnvironment environment = {});
    ~TextDocumentWindow() override;

    DocumentWindowController& controller() { return *m_controller; }

    // What the windows of one application share.
    struct Installation
    {
        EditorKit::ActionRouter* router = nullptr;
        // Every prompt and panel of the windows (close review, save panel).
        std::shared_ptr<EditorKit::Presenter> presenter;
        std::shared_ptr<HostWindows> hosts;
        // What closing a tab does.
        std::function<void(EditorDocuments::TextDocument&)> closeDocument;
        // Notes a phase of the launch measurement (set only while the launch is measured).
        std::function<void(std::string_view)> markLaunchPhase;
    };

    // Makes these document services create this window for every document they open or make,
    // and ask the installation's presenter for the save panel.
    static void install(EditorDocuments::DocumentServices& services, Installation installation);

    QString text() const override;
    EditorCore::TextSnapshot snapshot() const override;
    bool hasMarkedText() const override;
    void showWindow() override;
    QString textWithMarkedText() const override;
    EditorCore::TextSnapshot snapshotWithMarkedText() const override;
    void updateStatusBar() override;
    void applyDisplayOptions() override;
    void applyEditability() override;
    void replaceAllText(EditorCore::TextSnapshot text,
                        std::optional<EditorCore::LineIndex> lines) override;
    void setHasUnsavedEdits(bool edited) override;
    bool isTextLocked() const override;
    void startFileWatcher() override;
    void stopWatching() override;
    void showFileGoneBanner() override;
    void showExternalChangeBanner() override;
    void showUnencodableBanner(const EditorDocuments::DocumentFailure& failure) override;
    void showSaveRefusedBanner(EditorDocuments::SaveRules::SaveRefusal refusal) override;
    void dismissBanner(const QString& key) override;
    void setLoading(bool loading) override;
    void showInterruptedSaveBanner(const EditorDocuments::RecoveryCopies::Copy& copy,
                                   bool fileGone) override;
    void keptIdentityChanged() override;

private:
    // Writes the copy's bytes over the file the way every save writes, then shows the file.
    void restoreInterruptedSave(const EditorDocuments::RecoveryCopies::Copy& copy);
    // The mixed-line-endings banner, once the document's text is in the window.
    void offerLineEndingsBanner();

    EditorDocuments::TextDocument& m_document;
    TextDocumentLink m_link;
    std::shared_ptr<QPointer<DocumentWindowController>> m_built;
    std::unique_ptr<DocumentWindowController> m_controller;
    bool m_lineEndingsOffered = false;
};

} // namespace EditorWindow
