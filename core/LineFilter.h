#pragma once

#include "core/CompiledSearch.h"

#include <cstdint>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace EditorCore {

class LineIndex;
class TextSnapshot;

// Shows only the lines of a text that match: a primary search, extra conditions joined by
// and, or and not, inversion, and the matched parts instead of whole lines. Line numbers here
// are 0-based; a line is a content line (the empty line after a final break is none).
struct LineFilter
{
    // `and`, `or` and `not` are C++ operator spellings, hence the trailing underscores; the
    // raw values are "and", "or" and "not".
    enum class Join { and_, or_, not_ };

    struct Condition
    {
        Join join = Join::and_;
        CompiledSearch search;
    };

    struct Hits
    {
        // Kept lines plus the run's line offset, strictly ascending.
        std::vector<std::int64_t> lines;
        // Parts mode: matched parts (location plus the run's location offset), ascending and
        // never overlapping; partLines[i] is the line of parts[i].
        std::vector<SearchMatch> parts;
        std::vector<std::int64_t> partLines;

        // Removes every hit at `line` or after it.
        void removeFrom(std::int64_t line);
        void append(const Hits& other);
        bool operator==(const Hits&) const = default;
    };

    struct Row
    {
        enum class Kind : std::uint8_t { match = 0, context = 1, gap = 2 };
        Kind kind = Kind::match;
        // -1 for a gap row.
        std::int64_t line = 0;
        // Parts mode only.
        std::optional<SearchMatch> part;
        bool operator==(const Row&) const = default;
    };

    CompiledSearch primary;
    std::vector<Condition> conditions;
    bool invert = false;
    // Ignored while invert is on.
    bool onlyMatching = false;

    // The searches whose matches are highlighted: primary, the or-conditions, then the
    // and-conditions, each group in its order.
    std::vector<CompiledSearch> positiveQueries() const;
    bool showsParts() const { return onlyMatching && !invert; }

    // Runs the filter over text. index: the text's line index, or nullptr to build one here.
    // The offsets are added to every line and part location (filtering the tail of a growing
    // text). cancel is asked every 1024 matches or lines and while a search scans a long
    // stretch without a match, so it must be cheap (an atomic load); when it answers true the
    // result is absent, never partial.
    std::optional<Hits> apply(std::u16string_view text,
                              const LineIndex* index,
                              std::int64_t lineOffset,
                              std::int64_t locationOffset,
                              const StopCheck& cancel) const;

    // The same over a snapshot, read from its chunks, its lines counted by the snapshot itself:
    // the content lines from the 0-based `firstLine` on, as if they were a text of their own
    // (the filter does not see what lies before them), with line numbers and locations of the
    // whole snapshot. Any thread.
    std::optional<Hits>
    apply(const TextSnapshot& text, std::int64_t firstLine, const StopCheck& cancel) const;

    // The rows of hits in display order, with `context` lines around each match line and a
    // gap row between groups that leave lines out; lineCount is the text's content-line
    // count. In the parts mode one match row per part.
    static std::vector<Row> rows(std::span<const std::int64_t> lines,
                                 std::span<const SearchMatch> parts,
                                 std::span<const std::int64_t> partLines,
                                 std::int64_t context,
                                 std::int64_t lineCount,
                                 bool partsMode);

    // Each row's text followed by separator: "--" for a gap, the part's characters, or the
    // line without its break.
    static std::u16string joinedText(std::span<const Row> rows,
                                     const LineIndex& index,
                                     std::u16string_view text,
                                     std::u16string_view separator);
};

std::string_view rawValue(LineFilter::Join);
std::optional<LineFilter::Join> lineFilterJoinFromRawValue(std::string_view);
std::uint8_t rawValue(LineFilter::Row::Kind);
std::optional<LineFilter::Row::Kind> lineFilterRowKindFromRawValue(std::uint8_t);

std::ostream& operator<<(std::ostream&, LineFilter::Join);
std::ostream& operator<<(std::ostream&, const LineFilter::Hits&);
std::ostream& operator<<(std::ostream&, const LineFilter::Row&);

} // namespace EditorCore
