#pragma once

#include "app/documents/SnapshotStrings.h"
#include "app/window/WindowDocument.h"
#include "core/Indentation.h"
#include "core/LineEnding.h"

#include <QObject>
#include <QString>
#include <QUndoCommand>
#include <QUndoStack>

#include <filesystem>
#include <functional>
#include <optional>
#include <utility>

namespace WindowTest {

// A document as the window sees it, with every fact settable. What it does with them follows
// the real document (WindowDocumentContractTests runs the same cases against both).
class FakeDocument
    : public QObject
    , public EditorWindow::WindowDocument
{
public:
    explicit FakeDocument(const QString& initialText = {})
        : text(initialText)
        , lineEndingSummary(
              std::u16string_view(reinterpret_cast<const char16_t*>(initialText.utf16()),
                                  static_cast<std::size_t>(initialText.size())))
    {}

    QString text;
    std::optional<std::filesystem::path> url;
    QString name = QStringLiteral("이름 없음");
    EditorCore::TextEncoding textEncoding = EditorCore::TextEncoding::utf8;
    bool byteOrderMark = false;
    bool unsure = false;
    EditorCore::LineEndingSummary lineEndingSummary;
    std::optional<EditorCore::IndentStyle> style;
    bool chosenByUser = false;
    // Read-only without a reason, as a document is while its text is still being read.
    bool readOnly = false;
    bool externalCopy = false;
    bool largeFile = false;
    bool writing = false;
    QUndoStack stack;

    QObject* documentObject() override { return this; }
    std::optional<std::filesystem::path> fileURL() const override { return url; }
    QString displayName() const override { return name; }
    EditorCore::TextEncoding encoding() const override { return textEncoding; }
    bool hasByteOrderMark() const override { return byteOrderMark; }
    bool isEncodingGuessUnsure() const override { return unsure; }
    EditorCore::LineEndingSummary lineEndings() const override { return lineEndingSummary; }
    std::optional<EditorCore::IndentStyle> indentStyle() const override { return style; }
    bool indentChosenByUser() const override { return chosenByUser; }
    bool isReadOnly() const override { return readOnly || reason.has_value(); }
    bool isExternalCopy() const override { return externalCopy; }
    bool hasLargeFile() const override { return largeFile || largeFileDetails.has_value(); }
    bool isWritingToDisk() const override { return writing; }
    // Handed to the window once, when it is built: the document then lets go of it.
    EditorCore::TextSnapshot loadedText() const override
    {
        return std::exchange(handedOver, true) ? EditorCore::TextSnapshot()
                                               : EditorDocuments::snapshotOf(text);
    }
    mutable bool handedOver = false;
    // The opened text is `text`; a large file's is read again from its file, which holds it.
    std::optional<QString> openedText() const override
    {
        if (largeFileDetails)
            return std::nullopt;
        return text;
    }
    void readOpenedText(std::function<void(std::optional<QString>)> done) override { done(text); }
    QUndoStack* undoStack() override { return &stack; }
    bool isEdited() const override { return !stack.isClean() || editedByDocument; }
    // What the document alone knows (a changed encoding and the like).
    bool editedByDocument = false;

    std::optional<EditorCore::EncodingGuess> guess;
    std::optional<EditorCore::EncodingGuess> encodingGuess() const override { return guess; }
    void setLineEndings(const EditorCore::LineEndingSummary& summary) override
    {
        lineEndingSummary = summary;
    }
    // One undoable step, as the real document makes it; none when nothing changes.
    void
    changeEncoding(EditorCore::TextEncoding encoding, bool mark, const QString& actionName) override
    {
        mark = mark && EditorCore::supportsByteOrderMark(encoding);
        if (encoding == textEncoding && mark == byteOrderMark)
            return;
        stack.push(new EncodingStep(*this, encoding, mark, actionName));
    }
    void chooseIndentStyle(std::optional<EditorCore::IndentStyle> chosen) override
    {
        style = chosen;
        chosenByUser = chosen.has_value();
    }
    void reopen(EditorCore::TextEncoding, std::function<void(bool)> done) override
    {
        if (done)
            done(false);
    }

    std::optional<EditorDocuments::ReadOnlyReason> reason;
    bool admin = false;
    std::optional<EditorDocuments::LargeFileState> largeFileDetails;
    std::optional<EditorCore::DiskIdentity> identity;
    int saves = 0;
    int autosaves = 0;
    std::optional<std::filesystem::path> origin;
    int originsOpened = 0;
    int discards = 0;
    std::optional<EditorDocuments::ReadOnlyReason> readOnlyReason() const override
    {
        return reason;
    }
    void clearReadOnlyReason() override
    {
        reason.reset();
        readOnly = false;
    }
    bool isAdminEditing() const override { return admin; }
    void beginAdminEditing() override
    {
        if (reason != EditorDocuments::ReadOnlyReason::noPermission || !url)
            return;
        admin = true;
        reason.reset();
        readOnly = false;
    }
    std::optional<EditorDocuments::LargeFileState> largeFileState() const override
    {
        return largeFileDetails;
    }
    std::optional<EditorCore::DiskIdentity> diskIdentity() const override { return identity; }
    void adoptDiskIdentity(std::optional<EditorCore::DiskIdentity> adopted) override
    {
        identity = std::move(adopted);
    }
    void moveToURL(const std::filesystem::path& moved) override { url = moved; }
    void markUnedited() override
    {
        stack.setClean();
        editedByDocument = false;
    }
    void saveDocument() override { ++saves; }
    std::function<void()> onAutosave;
    void autosave() override
    {
        ++autosaves;
        if (onAutosave)
            onAutosave();
    }
    std::optional<std::filesystem::path> rescuedOrigin() const override { return origin; }
    void openRescuedOrigin() override { ++originsOpened; }
    void discardRescuedText() override { ++discards; }

    std::optional<Platform::Uuid> keptID;
    std::optional<Platform::Uuid> scratchID() const override { return keptID; }
    void chooseReadOnly() override
    {
        if (reason)
            return;
        reason = EditorDocuments::ReadOnlyReason::userChose;
    }

private:
    class EncodingStep : public QUndoCommand
    {
    public:
        EncodingStep(FakeDocument& document,
                     EditorCore::TextEncoding encoding,
                     bool mark,
                     const QString& name)
            : QUndoCommand(name)
            , m_document(document)
            , m_before{document.textEncoding, document.byteOrderMark}
            , m_after{encoding, mark}
        {}
        void undo() override { apply(m_before); }
        void redo() override { apply(m_after); }

    private:
        void apply(const std::pair<EditorCore::TextEncoding, bool>& state)
        {
            m_document.textEncoding = state.first;
            m_document.byteOrderMark = state.second;
        }
        FakeDocument& m_document;
        std::pair<EditorCore::TextEncoding, bool> m_before;
        std::pair<EditorCore::TextEncoding, bool> m_after;
    };
};

} // namespace WindowTest
