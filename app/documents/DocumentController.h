#pragma once

#include "app/documents/DocumentFailure.h"
#include "app/documents/DocumentServices.h"
#include "app/documents/TextDocument.h"
#include "app/kit/Responder.h"
#include "platform/Uuid.h"

#include <QObject>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <vector>

namespace EditorDocuments {

// Owns the open documents and opens files into them, each file once (by its resolved path).
// Main thread only.
class DocumentController
    : public QObject
    , public EditorKit::Responder
{
    Q_OBJECT

public:
    // The document (or null), whether it was already open, and the failure (or none).
    using OpenCompletion =
        std::function<void(TextDocument*, bool alreadyOpen, const std::optional<DocumentFailure>&)>;

    // How long after an unsaved change a document autosaves.
    static constexpr int autosavingDelayMilliseconds = 2000;

    explicit DocumentController(
        std::shared_ptr<DocumentServices> services = DocumentServices::shared(),
        QObject* parent = nullptr);
    ~DocumentController() override;

    // In the order they were added.
    std::vector<TextDocument*> documents() const;
    // The open document whose file resolves to the same path, or null.
    TextDocument* documentForURL(const std::filesystem::path& url) const;
    void addDocument(std::unique_ptr<TextDocument> document);
    // Closes the document and deletes it later.
    void removeDocument(TextDocument* document);

    // The resolved paths of the files whose opening is under way.
    const std::set<std::filesystem::path>& openingPaths() const { return m_openingPaths; }

    // A new empty document in the format of the settings, with its window when `display`.
    TextDocument* makeUntitledDocument(bool display);

    // At launch, after the windows were restored: a document for every entry of the keeping
    // place (memos and rescued edits), oldest first, as the tabs of one new window with the
    // first tab selected. Entries in `skip` (restored already), entries of open documents and
    // entries that cannot be read or are empty are left out (and left in the keeping place).
    std::vector<TextDocument*> reopenScratchDocuments(const std::set<Platform::Uuid>& skip = {});

    // At launch, after the kept entries: the copies left by in-place rewrites that did not
    // finish (one a file, the newest). A file that is there opens, and its tab offers the copy
    // (as every later opening of it does while the copy is there); the content of a file that
    // is gone opens as an untitled text in the copy's encoding, in a window of its own, and is
    // kept as a memo in place of the copy.
    void offerRecoveryCopies();

    // Opens the file as given (the resolved path only identifies it); an open file is not read
    // again. A folder is handed to `openFolder` and reported as a user cancellation.
    void openDocumentWithContentsOfURL(const std::filesystem::path& url,
                                       bool display,
                                       const OpenCompletion& completion);
    void openURL(const std::filesystem::path& url, bool display, const OpenCompletion& completion);
    // The same, then the document is marked as opened read-only by the user.
    void openReadOnly(const std::filesystem::path& url, bool display);

    // What opening a folder does (the folder sidebar); none: nothing.
    std::function<void(const std::filesystem::path&)> openFolder;

    // The open panels: each chosen file is opened (and shown) in the panel's order.
    void openDocument();
    void openDocumentReadOnly();
    // The folder open panel: the chosen folder goes to `openFolder`.
    void openFolderPanel();

    // True while the application quits (from the start of the quit review until the review
    // ends without quitting); the close decision keeps memos and unsafe edits instead of asking.
    bool isTerminating = false;

    // The review before quitting: every memo is kept and every unsaved edit that cannot be
    // written is rescued before anything is asked; then each edited document's close decision
    // runs in turn. True when all may close; false when one refused (the quit is off, and
    // `isTerminating` is false again).
    bool reviewUnsavedDocuments();
    // "terminate:": the review, then every document closes without asking again and
    // `quitApplication` runs.
    void terminate();
    // What ends the application; none: QCoreApplication::quit.
    std::function<void()> quitApplication;

    // The window restorer's part in opening and quitting. Each hook may be empty (nothing is
    // restoring, nothing to save or freeze).
    struct Restorer
    {
        std::function<bool()> isRestoring;
        // A document opened while restoring: the restorer places its window.
        std::function<void(TextDocument*)> openedDuringRestore;
        // Saves the window state and stops following the windows (they close during a quit).
        std::function<void()> saveAndFreeze;
        // Follows the windows again (the quit was cancelled).
        std::function<void()> releaseFreeze;
    };
    Restorer restorer;

    bool respondsToAction(std::string_view action) const override;
    void performAction(std::string_view action, const EditorKit::ActionSender& sender) override;

signals:
    void documentAdded(EditorDocuments::TextDocument* document);

private:
    std::filesystem::path recoveryFolder() const;
    // Shows the offer of the file's pending recovery copy in its window, when there is one.
    void offerRecoveryCopy(TextDocument& document);

    bool isRestoring() const { return restorer.isRestoring && restorer.isRestoring(); }
    // What follows every open that gave a document: the restorer takes it while restoring;
    // otherwise, when shown, its tab is selected and its window brought to the front.
    void finishOpen(TextDocument* document, bool display);
    // Opens each file chosen in the open panel, reporting failures.
    void openChosenFiles(bool readOnly);

    // Adds the document and shows its window at once; its text follows from the worker.
    void openInBackground(std::unique_ptr<TextDocument> document,
                          const std::filesystem::path& url,
                          bool display,
                          const OpenCompletion& completion);

    std::shared_ptr<DocumentServices> m_services;
    std::vector<std::unique_ptr<TextDocument>> m_documents;
    std::set<std::filesystem::path> m_openingPaths;
};

} // namespace EditorDocuments
