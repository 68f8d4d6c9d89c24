#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>
#include <vector>

// What every match of a regular expression (ICU syntax) must contain, read from the pattern
// text. The reading understands a plain subset of the syntax and gives up on everything else,
// so what it reports is never wrong, only sometimes absent.
namespace EditorCore {

// A pattern character that the engine matches literally; a caseless one matches by case
// folding.
struct PatternLetter
{
    char32_t codePoint = 0;
    bool caseless = false;
    bool operator==(const PatternLetter&) const = default;
};

struct SearchRequirement
{
    // A length in UTF-16 units without a bound.
    static constexpr std::int64_t unbounded = std::numeric_limits<std::int64_t>::max();

    struct Literal
    {
        std::vector<PatternLetter> letters;
        // At most this many units lie between a match's start and where the literal begins.
        std::int64_t lead = 0;
        bool operator==(const Literal&) const = default;
    };

    // Every match holds (as the engine matches letters) at least one of these; never empty.
    std::vector<Literal> alternatives;
    // The longest match in UTF-16 units.
    std::int64_t maxLength = unbounded;
    // Whether a match may consume a line-break unit (LF, VT, FF, CR, NEL, U+2028, U+2029).
    bool holdsLineBreak = true;

    bool operator==(const SearchRequirement&) const = default;

    // Absent when the pattern uses anything the reading does not understand, or when no literal
    // is required (a pattern that can match the empty string requires none).
    static std::optional<SearchRequirement> derive(std::u16string_view pattern,
                                                   bool caseInsensitive);
};

// The engine's line terminators: LF, VT, FF, CR, NEL, U+2028 and U+2029.
inline bool isEngineLineBreak(char32_t c)
{
    return (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029;
}

} // namespace EditorCore
