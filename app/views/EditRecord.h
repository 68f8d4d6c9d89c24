#pragma once

#include "core/ChunkedText.h"

#include <QString>

#include <cstdint>

namespace EditorViews {

// Where a change of the text came from.
enum class EditOrigin {
    // Keys, the input method, paste, cut, dropping text.
    typing,
    undoRedo,
    // A command's edit applied through the window (one named undoable step).
    command,
    // The whole text replaced from outside: opening, reloading, an encoding change.
    reload
};

// One change of a document's text, published once after the storage changed and the view's
// line index followed it. Offsets and lengths are UTF-16 units of the text before the change
// (location, oldLength) and after it (insertedText starts at location).
struct EditRecord
{
    // Longer insertions are not copied into insertedText: inserted() reads them from `text`.
    static constexpr int insertedTextLimit = 1 << 16;

    int location = 0;
    int oldLength = 0;
    // The inserted units, unless insertedLength says more than insertedTextLimit came in.
    QString insertedText;
    // How many units came in; -1 when insertedText holds them all.
    int insertedLength = -1;
    // The whole text after the change (empty where a caller built the record by hand).
    EditorCore::TextSnapshot text;
    // Counts every change of the storage, starting at 1 for the first text put in.
    std::uint64_t version = 0;
    EditOrigin origin = EditOrigin::typing;

    int newLength() const
    {
        return insertedLength >= 0 ? insertedLength : static_cast<int>(insertedText.size());
    }
    // The inserted units, read from the snapshot when they were not copied.
    QString inserted() const;
    int delta() const { return newLength() - oldLength; }
    // The whole text was replaced.
    bool replacesAll(int oldTextLength) const
    {
        return location == 0 && oldLength == oldTextLength;
    }
};

} // namespace EditorViews
