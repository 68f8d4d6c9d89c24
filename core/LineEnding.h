#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace EditorCore {

// The three kinds of break a file keeps as it is.
enum class LineEnding { lf, crlf, cr };

inline constexpr std::array<LineEnding, 3> allLineEndings = {
    LineEnding::lf,
    LineEnding::crlf,
    LineEnding::cr,
};

// "lf", "crlf", "cr".
std::string_view rawValue(LineEnding);
// Exact, case-sensitive match of a raw value ("CRLF" is no ending).
std::optional<LineEnding> lineEndingFromRawValue(std::string_view);
// The text of the break.
std::u16string_view characters(LineEnding);

std::ostream& operator<<(std::ostream&, LineEnding);

// The LF, CR LF and CR breaks of a text. NEL, U+2028 and U+2029 are not counted here (the
// line index ends lines at them).
struct LineEndingSummary
{
    std::int64_t lf = 0;          // LF not preceded by CR
    std::int64_t crlf = 0;        // CR immediately followed by LF, each pair once
    std::int64_t cr = 0;          // CR not followed by LF
    bool hasFinalNewline = false; // the last unit is LF or CR

    LineEndingSummary() = default;
    explicit LineEndingSummary(std::u16string_view text);

    std::int64_t total() const { return lf + crlf + cr; }
    // More than one of the three counts is above zero.
    bool isMixed() const;
    // The most frequent ending; on equal counts lf wins over crlf, crlf over cr. Absent when
    // the text has no break.
    std::optional<LineEnding> dominant() const;

    bool operator==(const LineEndingSummary&) const = default;
};

std::ostream& operator<<(std::ostream&, const LineEndingSummary&);

namespace LineEndingConverter {

// The text with every LF, CR LF and CR rewritten to `ending`; nothing else changes.
std::u16string convert(std::u16string_view text, LineEnding ending);

} // namespace LineEndingConverter

} // namespace EditorCore
