#pragma once

#include "app/documents/CurrentFile.h"
#include "app/documents/FileFormat.h"
#include "core/ChunkedText.h"
#include "core/DiskIdentity.h"
#include "core/EncodingGuess.h"
#include "core/Indentation.h"
#include "core/LineEnding.h"
#include "core/LineIndex.h"
#include "core/TextEncoding.h"
#include "platform/Uuid.h"

#include <QString>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QObject;
class QUndoStack;

namespace EditorWindow {

class DocumentWindowController;

// What a document window reads of, and asks from, the document it shows. The document owns
// its window controller; the controller reaches the document only through this, and only
// while `documentObject()` lives (it holds that weakly).
class WindowDocument
{
public:
    virtual ~WindowDocument() = default;

    // Destroyed with the document.
    virtual QObject* documentObject() = 0;

    virtual std::optional<std::filesystem::path> fileURL() const = 0;
    virtual QString displayName() const = 0;

    // How the text is stored on disk.
    virtual EditorCore::TextEncoding encoding() const = 0;
    virtual bool hasByteOrderMark() const = 0;
    // Detection was unsure of the encoding (the window then offers the encoding chooser).
    virtual bool isEncodingGuessUnsure() const = 0;
    // The breaks found when the text was read (or set by a conversion).
    virtual EditorCore::LineEndingSummary lineEndings() const = 0;
    // Found by detection or chosen by the user.
    virtual std::optional<EditorCore::IndentStyle> indentStyle() const = 0;
    virtual bool indentChosenByUser() const = 0;

    // The document may not be edited (any read-only reason).
    virtual bool isReadOnly() const = 0;
    virtual bool isExternalCopy() const = 0;
    virtual bool hasLargeFile() const = 0;
    virtual bool isWritingToDisk() const = 0;

    // The text as read, put into the window when it is built; the document lets go of it once
    // the window holds it.
    virtual EditorCore::TextSnapshot loadedText() const = 0;
    // What reverting goes back to: the text as last opened or saved. None when the document
    // keeps no copy of a long text: `readOpenedText` reads it from the file again, and the text
    // counts as changed from it while the document is edited.
    virtual std::optional<QString> openedText() const = 0;
    // The opened text, on the main thread (at once when it is kept); none when it cannot be had
    // any more (the file was changed by someone else, is gone or cannot be read).
    virtual void readOpenedText(std::function<void(std::optional<QString>)> done)
    {
        done(openedText());
    }
    virtual QUndoStack* undoStack() = 0;

    // The one source of the edited marker: the undo stack's clean state plus what the
    // document alone knows (a changed encoding, a rescued text).
    virtual bool isEdited() const = 0;

    // The format changes of the status menus.
    // The detection (or the user's choice) that gave the encoding; none for a new text.
    virtual std::optional<EditorCore::EncodingGuess> encodingGuess() const = 0;
    // The window's count keeps the summary current.
    virtual void setLineEndings(const EditorCore::LineEndingSummary& summary) = 0;
    // Writes the text in another encoding from now on: one undoable change of the document.
    virtual void changeEncoding(EditorCore::TextEncoding encoding,
                                bool byteOrderMark,
                                const QString& actionName) = 0;
    // The style of new indentation; none returns to the settings' style. No undo step.
    virtual void chooseIndentStyle(std::optional<EditorCore::IndentStyle> style) = 0;
    // Reads the file again in the encoding (the text is replaced, undo cleared); false when
    // the file cannot be read or decoded that way, text and format then unchanged. A large
    // file is read on a worker: `done` then comes later (never once the document is gone).
    virtual void reopen(EditorCore::TextEncoding encoding, std::function<void(bool)> done) = 0;

    // The file as it is now (after an outside change), read like `reopen`; none when it cannot
    // be read or decoded. `replacesText`: the window puts it in the text's place, so nothing
    // may be typed until it comes.
    virtual void
    readCurrentFile(bool replacesText,
                    std::function<void(std::optional<EditorDocuments::CurrentFile>)> done)
    {
        (void)replacesText;
        auto url = fileURL();
        done(url ? EditorDocuments::readCurrentFile(*url, encoding()) : std::nullopt);
    }
    // The file's identity now, with the content hash within the document's hash limit.
    virtual void readDiskIdentity(std::function<void(std::optional<EditorCore::DiskIdentity>)> done)
    {
        auto url = fileURL();
        done(url ? EditorCore::DiskIdentity::read(*url, EditorCore::DiskIdentity::documentHashLimit)
                 : std::nullopt);
    }

    // The disk states. By default a document without a file on disk and without a reason to
    // be read-only.
    virtual std::optional<EditorDocuments::ReadOnlyReason> readOnlyReason() const
    {
        return std::nullopt;
    }
    // The reason goes (the document then has its window apply editability again).
    virtual void clearReadOnlyReason() {}
    // The user's own read-only choice, taken only when there is no other reason.
    virtual void chooseReadOnly() {}
    // The entry of an untitled document in the keeping place, once its text was kept.
    virtual std::optional<Platform::Uuid> scratchID() const { return std::nullopt; }
    virtual bool isAdminEditing() const { return false; }
    virtual void beginAdminEditing() {}
    virtual std::optional<EditorDocuments::LargeFileState> largeFileState() const
    {
        return std::nullopt;
    }
    // The identity of the file as last read or written.
    virtual std::optional<EditorCore::DiskIdentity> diskIdentity() const { return std::nullopt; }
    // Stores a fresh identity (and the file's modification date with it).
    virtual void adoptDiskIdentity(std::optional<EditorCore::DiskIdentity> identity)
    {
        (void)identity;
    }
    // The file was renamed: the document names it from now on.
    virtual void moveToURL(const std::filesystem::path& url) { (void)url; }
    // The change count is cleared: the document counts as unedited.
    virtual void markUnedited() {}
    virtual void saveDocument() {}
    virtual void saveDocumentAs() {}
    // An autosave in place whose outcome nobody waits for.
    virtual void autosave() {}
    // A read-only document showing `text` as the outside version of this one's file, with its
    // own window; the copy's window, or null when none could be made.
    virtual DocumentWindowController* openExternalCopy(const QString& text)
    {
        (void)text;
        return nullptr;
    }
    // Large files and files that do not look like text (the loader, the hex view, the not-text
    // question). The text is still being read on a worker; the window gets it later.
    virtual bool isLoading() const { return false; }
    // Stores how far the loader got.
    virtual void setLargeFileState(const EditorDocuments::LargeFileState& state) { (void)state; }
    // The first bytes of a file judged not to be text, while the user has not decided.
    virtual std::optional<std::vector<std::uint8_t>> pendingBinaryHead() const
    {
        return std::nullopt;
    }
    // The user chose to look at such a file: the head is forgotten, the reason becomes
    // `notText`, and a small file's bytes come back as ISO Latin-1 text; none for a large
    // file, a document without a file or a file that cannot be read. `lines`: the text's line
    // index, made with it off the interface thread.
    virtual void openNotTextReadOnly(std::function<void(std::optional<EditorCore::TextSnapshot>,
                                                        EditorCore::LineIndex lines)> done)
    {
        done(std::nullopt, {});
    }
    // The file whose unsaved edits this untitled document holds.
    virtual std::optional<std::filesystem::path> rescuedOrigin() const { return std::nullopt; }
    // Opens (and shows) that file.
    virtual void openRescuedOrigin() {}
    // Opens files as documents of their own (files dropped on the text), in order.
    virtual void openFiles(const std::vector<std::filesystem::path>& files) { (void)files; }
    // Deletes the kept text and closes without asking, as a close does.
    virtual void discardRescuedText() {}
};

} // namespace EditorWindow
