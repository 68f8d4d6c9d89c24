#pragma once

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
    int location = 0;
    int oldLength = 0;
    QString insertedText;
    // Counts every change of the storage, starting at 1 for the first text put in.
    std::uint64_t version = 0;
    EditOrigin origin = EditOrigin::typing;

    int newLength() const { return static_cast<int>(insertedText.size()); }
    int delta() const { return newLength() - oldLength; }
    // The whole text was replaced.
    bool replacesAll(int oldTextLength) const
    {
        return location == 0 && oldLength == oldTextLength;
    }
};

} // namespace EditorViews
