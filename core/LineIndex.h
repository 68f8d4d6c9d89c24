#pragma once

#include "core/LineEnding.h"

#include <cstdint>
#include <ostream>
#include <string_view>
#include <vector>

namespace EditorCore {

class TextSnapshot;

// Maps between UTF-16 offsets of a text and its lines. A line ends after LF, CR not followed by
// LF, CR LF (one break), NEL, U+2028 and U+2029; a text ending in a break has a last, empty
// line starting at its length, and the empty text has one line.
class LineIndex
{
public:
    // A stretch of UTF-16 units.
    struct Range
    {
        std::int64_t location = 0;
        std::int64_t length = 0;
        bool operator==(const Range&) const = default;
    };

    // The index of the empty text.
    LineIndex() = default;
    explicit LineIndex(std::u16string_view text);
    // The index of a chunked text, read chunk by chunk (no chunk border splits a CR LF).
    explicit LineIndex(const TextSnapshot& text);

    // Offsets at which the lines begin, strictly increasing; the first is always 0. Settles the
    // shift that edits left pending (O(lines after the last edit) once).
    const std::vector<std::int64_t>& starts() const;
    // The UTF-16 length of the text the index describes.
    std::int64_t length() const { return m_length; }

    // The 1-based line containing `offset`; before 0 gives 1, at or past the end the last line.
    std::int64_t lineNumber(std::int64_t offset) const;
    // The offset at which 1-based `line` starts, the line clamped to 1...lineCount().
    std::int64_t lineStart(std::int64_t line) const;
    std::int64_t lineCount() const { return static_cast<std::int64_t>(m_starts.size()); }
    // Lines not counting the empty line after a final break.
    std::int64_t contentLineCount() const;
    // The 0-based `line` of `text` without its break; (text length, 0) for a line that does not
    // exist.
    Range contentRange(std::int64_t line, std::u16string_view text) const;

    // The LF, CR LF and CR breaks of the indexed `text`, read off the line starts: the same
    // summary as counting them in the text, without a second pass over it.
    LineEndingSummary lineEndings(std::u16string_view text) const;

    // Brings the index up to date after `oldLength` units at `location` became `newLength`
    // units; `text` is the whole text after the edit. Rescans only the edit widened by one unit
    // each side and shifts the later starts.
    void update(std::int64_t location,
                std::int64_t oldLength,
                std::int64_t newLength,
                std::u16string_view text);
    // The same for a text not held as one string: `stretch` holds the units of the range
    // `updateStretch` names, of the whole text after the edit, `textLength` long.
    static Range
    updateStretch(std::int64_t location, std::int64_t newLength, std::int64_t textLength);
    void update(std::int64_t location,
                std::int64_t oldLength,
                std::int64_t newLength,
                std::int64_t textLength,
                std::u16string_view stretch);

    bool operator==(const LineIndex& other) const;

private:
    friend class LineIndexBuilder;

    std::int64_t startAt(std::size_t index) const
    {
        return m_starts[index] + (index >= m_seam ? m_shift : 0);
    }
    std::size_t firstAfter(std::int64_t offset) const;
    // Moves the seam to `index`, keeping every start's value.
    void moveSeam(std::size_t index) const;

    // The starts from index m_seam on are stored m_shift too small: an edit shifts the lines
    // after it by moving the seam to it, so typing at one place costs O(1), not O(lines).
    mutable std::vector<std::int64_t> m_starts{0};
    mutable std::size_t m_seam = 1;
    mutable std::int64_t m_shift = 0;
    std::int64_t m_length = 0;
};

std::ostream& operator<<(std::ostream&, const LineIndex&);
std::ostream& operator<<(std::ostream&, const LineIndex::Range&);

} // namespace EditorCore
