#pragma once

#include "core/TextRange.h"

#include <cstdint>
#include <memory>
#include <string_view>

// Lines, words and user-perceived characters of UTF-16 text, shared by the edit operations.
// Lines end at LF, CR, CR LF (one terminator), U+0085, U+2028 and U+2029.
namespace EditorCore::TextBounds {

bool isLineTerminator(char16_t unit);

// "_", a letter, mark or number, or either half of a surrogate pair.
bool isWordUnit(char16_t unit);

struct LineBounds
{
    std::int64_t start = 0;
    std::int64_t contentsEnd = 0; // before the terminator
    std::int64_t end = 0;         // after the terminator
    bool operator==(const LineBounds&) const = default;
};

// The line holding the position (limited to 0...length). A position between the CR and the LF
// of a CR LF belongs to the line that the pair ends; at the end of a text that ends with a
// terminator the line is the empty last line.
LineBounds lineBounds(std::u16string_view text, std::int64_t position);

// The smallest run of whole lines (terminators included) that holds the range; for an empty
// range the line holding its position. The range is limited to the text first.
TextRange lineRange(std::u16string_view text, TextRange range);

// The user-perceived characters (extended grapheme clusters) of one text. The text must outlive
// the object; the break iterator is made on first use, so an unused object costs nothing.
class ComposedCharacters
{
public:
    explicit ComposedCharacters(std::u16string_view text);
    ~ComposedCharacters();
    ComposedCharacters(const ComposedCharacters&) = delete;
    ComposedCharacters& operator=(const ComposedCharacters&) = delete;

    // The character that holds the unit at index; empty at or past the end of the text.
    TextRange containing(std::int64_t index);

private:
    struct Iterator;
    std::u16string_view m_text;
    std::unique_ptr<Iterator> m_iterator;
};

} // namespace EditorCore::TextBounds
