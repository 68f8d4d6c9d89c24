#pragma once

#include "app/documents/DocumentFailure.h"
#include "app/documents/DocumentServices.h"
#include "app/documents/TextDocument.h"
#include "app/kit/Responder.h"

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

    // At launch: a document with its window for every entry of the keeping place (memos and
    // rescued edits), oldest first.
    std::vector<TextDocument*> reopenScratchDocuments();

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

    // True while the application quits (set by the quit review); the close decision keeps
    // memos and unsafe edits instead of asking.
    bool isTerminating = false;

    bool respondsToAction(std::string_view action) const override;
    void performAction(std::string_view action, const EditorKit::ActionSender& sender) override;

signals:
    void documentAdded(EditorDocuments::TextDocument* document);

private:
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
