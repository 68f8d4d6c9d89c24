#pragma once

#include "core/EncodingGuess.h"
#include "core/Indentation.h"
#include "core/LineEnding.h"
#include "core/TextEncoding.h"

#include <QString>

#include <filesystem>
#include <optional>

class QObject;
class QUndoStack;

namespace EditorWindow {

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

    // The text as read, put into the window when it is built.
    virtual QString loadedText() const = 0;
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
    // the file cannot be read or decoded that way, text and format then unchanged.
    virtual bool reopen(EditorCore::TextEncoding encoding) = 0;
};

} // namespace EditorWindow
