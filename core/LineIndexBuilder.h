#pragma once

#include "core/LineEnding.h"
#include "core/LineIndex.h"

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace EditorCore {

// Builds the LineIndex of a text handed over as consecutive pieces (a reader decoding a file),
// with its LF, CR LF and CR counts from the same pass, so that the text never has to be one
// string. A CR that ends one piece and an LF that starts the next are one break. Not
// thread-safe; one builder per text.
class LineIndexBuilder
{
public:
    // `expectedLength`: the text's length when known (a file's size bounds it), so that the
    // list of starts grows in few steps; 0 when unknown.
    explicit LineIndexBuilder(std::int64_t expectedLength = 0);

    void append(std::u16string_view piece);
    // Bytes taken as the units U+0000...U+00FF.
    void appendLatin1(std::span<const std::uint8_t> bytes);

    std::int64_t length() const { return m_length; }

    // The index and the breaks of everything appended; the builder starts over empty.
    struct Result
    {
        LineIndex lines;
        LineEndingSummary lineEndings;
    };
    Result finish();

private:
    template<typename Unit>
    void scan(const Unit* units, std::size_t size);
    void reserveFromSample();

    std::vector<std::int64_t> m_starts{0};
    LineEndingSummary m_summary;
    std::int64_t m_length = 0;
    std::int64_t m_expectedLength = 0;
    bool m_reserved = false;
    // The last unit appended was a CR whose break waits for the next unit.
    bool m_pendingCR = false;
    char16_t m_last = 0;
};

} // namespace EditorCore
