#pragma once

#include "app/documents/DocumentWindow.h"
#include "app/window/DocumentWindowController.h"
#include "app/window/WindowDocument.h"

#include <functional>
#include <memory>

namespace EditorDocuments {
class TextDocument;
}

namespace EditorWindow {

// What the window reads of a TextDocument.
class TextDocumentLink : public WindowDocument
{
public:
    explicit TextDocumentLink(EditorDocuments::TextDocument& document);

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
    QString loadedText() const override;
    QUndoStack* undoStack() override;
    bool isEdited() const override;
    void recordChange() override;

private:
    EditorDocuments::TextDocument& m_document;
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

    // Makes the document services create this window for every document they open or make;
    // `closeDocument` is what closing the tab does.
    static void install(EditorKit::ActionRouter& router,
                        std::function<void(EditorDocuments::TextDocument&)> closeDocument);

    QString text() const override;
    bool hasMarkedText() const override;
    void updateStatusBar() override;
    void applyDisplayOptions() override;
    void applyEditability() override;
    void replaceAllText(const QString& text) override;
    void setHasUnsavedEdits(bool edited) override;
    void startFileWatcher() override;
    void stopWatching() override;
    void showFileGoneBanner() override;
    void showExternalChangeBanner() override;
    void showUnencodableBanner(const EditorDocuments::DocumentFailure& failure) override;
    void showSaveRefusedBanner(EditorDocuments::SaveRules::SaveRefusal refusal) override;
    void dismissBanner(const QString& key) override;
    void setLoading(bool loading) override;

private:
    EditorDocuments::TextDocument& m_document;
    TextDocumentLink m_link;
    std::unique_ptr<DocumentWindowController> m_controller;
};

} // namespace EditorWindow
