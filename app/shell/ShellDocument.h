#pragma once

#include "app/window/WindowDocument.h"

#include <QObject>
#include <QUndoStack>

#include <filesystem>
#include <memory>
#include <optional>

namespace EditorKit {
class ActionRouter;
}

namespace EditorWindow {
class DocumentWindowController;
}

namespace EditorShell {

// The document of the program entry: a file read with the text engine's detection and codec,
// or an untitled text, shown in its own window controller. It stands in for the documents'
// TextDocument (saving, autosave, kept edits) until that takes over the same seam.
class ShellDocument
    : public QObject
    , public EditorWindow::WindowDocument
{
    Q_OBJECT
public:
    // nullptr when the file cannot be read; `error` then says why.
    static std::unique_ptr<ShellDocument> open(const std::filesystem::path& path, QString* error);
    static std::unique_ptr<ShellDocument> untitled();
    ~ShellDocument() override;

    // Creates the window controller and shows it as a tab of the active window.
    void makeWindowControllers(EditorKit::ActionRouter& router);
    EditorWindow::DocumentWindowController* editor() const { return m_editor.get(); }

    QObject* documentObject() override { return this; }
    std::optional<std::filesystem::path> fileURL() const override { return m_url; }
    QString displayName() const override;
    EditorCore::TextEncoding encoding() const override { return m_encoding; }
    bool hasByteOrderMark() const override { return m_byteOrderMark; }
    bool isEncodingGuessUnsure() const override { return m_unsure; }
    EditorCore::LineEndingSummary lineEndings() const override { return m_lineEndings; }
    std::optional<EditorCore::IndentStyle> indentStyle() const override { return m_indentStyle; }
    bool indentChosenByUser() const override { return false; }
    bool isReadOnly() const override { return m_readOnly; }
    bool isExternalCopy() const override { return false; }
    bool hasLargeFile() const override { return false; }
    bool isWritingToDisk() const override { return false; }
    QString loadedText() const override { return m_text; }
    QUndoStack* undoStack() override { return &m_undo; }
    bool isEdited() const override { return !m_undo.isClean() || m_changedOutsideUndo; }
    void recordChange() override { m_changedOutsideUndo = true; }

signals:
    // The tab was closed; the owner drops the document.
    void closeRequested(EditorShell::ShellDocument* document);

private:
    ShellDocument() = default;

    std::optional<std::filesystem::path> m_url;
    QString m_text;
    EditorCore::TextEncoding m_encoding = EditorCore::TextEncoding::utf8;
    bool m_byteOrderMark = false;
    bool m_unsure = false;
    bool m_readOnly = false;
    EditorCore::LineEndingSummary m_lineEndings;
    std::optional<EditorCore::IndentStyle> m_indentStyle;
    QUndoStack m_undo;
    bool m_changedOutsideUndo = false;
    std::unique_ptr<EditorWindow::DocumentWindowController> m_editor;
};

} // namespace EditorShell
