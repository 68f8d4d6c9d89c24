#include "core/LineFilter.h"

#include "core/ChunkedText.h"
#include "core/LineIndex.h"
#include "core/SearchScanner.h"
#include "core/SnapshotSearch.h"

#include <algorithm>
#include <array>
#include <memory>

namespace EditorCore {
namespace {

constexpr std::int64_t cancelInterval = 1024;

constexpr std::array<std::pair<LineFilter::Join, std::string_view>, 3> joinTable = {{
    {LineFilter::Join::and_, "and"},
    {LineFilter::Join::or_, "or"},
    {LineFilter::Join::not_, "not"},
}};

enum class Found { no, yes, cancelled };

template<typename Scanner>
Found rangeHasMatch(Scanner& scanner, LineIndex::Range range, const StopCheck& cancel)
{
    bool any = false;
    auto outcome = scanner.enumerate(
        range.location,
        range.length,
        true,
        [&](const SearchMatch&) {
            any = true;
            return false;
        },
        &cancel);
    if (outcome == Scanner::Outcome::stopped)
        return Found::cancelled;
    return any ? Found::yes : Found::no;
}

// The lines in which `search` has a match that starts there, once each, ascending; false when
// cancelled. `counted` runs over the matches of every search of the alternative.
bool addCandidateLines(const CompiledSearch& search,
                       std::u16string_view text,
                       const LineIndex& index,
                       std::int64_t lineCount,
                       std::int64_t& counted,
                       const StopCheck& cancel,
                       std::vector<std::int64_t>& candidates)
{
    SearchScanner scanner(search, text);
    const std::int64_t length = index.length();

    // A search whose matches hold no line break cannot reach the next line, so once a line has
    // a match the rest of it can be skipped: the next match the engine would record starts on a
    // later line.
    if (scanner.staysWithinLines()) {
        bool cancelled = false;
        const std::vector<std::int64_t>& starts = index.starts();
        // The line the scan resumed on: each match lies on it or later, most often on it.
        std::size_t resumed = 0;
        auto lineOf = [&](std::int64_t location) {
            if (resumed + 1 >= starts.size() || location < starts[resumed + 1])
                return static_cast<std::int64_t>(resumed);
            auto after = std::upper_bound(
                starts.begin() + static_cast<std::ptrdiff_t>(resumed) + 1, starts.end(), location);
            return static_cast<std::int64_t>(after - starts.begin()) - 1;
        };
        auto outcome = scanner.enumerateByLines(
            0,
            length,
            [&](const SearchMatch& match) -> std::int64_t {
                if (++counted % cancelInterval == 0 && cancel()) {
                    cancelled = true;
                    return -1;
                }
                const std::int64_t line = lineOf(match.location);
                if (line >= lineCount)
                    return -1;
                candidates.push_back(line);
                if (line + 1 >= lineCount)
                    return -1;
                resumed = static_cast<std::size_t>(line + 1);
                return starts[resumed];
            },
            &cancel);
        return !cancelled && outcome != SearchScanner::Outcome::stopped;
    }

    bool cancelled = false;
    std::int64_t lastLine = -1;
    auto outcome = scanner.enumerate(
        0,
        length,
        true,
        [&](const SearchMatch& match) {
            if (++counted % cancelInterval == 0 && cancel()) {
                cancelled = true;
                return false;
            }
            const std::int64_t line = index.lineNumber(match.location) - 1;
            // The empty line after a final break: every later match lies there too.
            if (line >= lineCount)
                return false;
            if (line != lastLine) {
                candidates.push_back(line);
                lastLine = line;
            }
            return true;
        },
        &cancel);
    return !cancelled && outcome != SearchScanner::Outcome::stopped;
}

// The lines of a snapshot from one line on, as the filter reads them: 0-based content lines
// counted from `first`. The filter asks in ascending order, mostly within one chunk, so the
// line starts of the chunk last asked about are kept: a lookup there is a binary search, and
// only a lookup elsewhere walks the snapshot's tree.
class SnapshotLines
{
public:
    SnapshotLines(const TextSnapshot& text, std::int64_t first)
        : m_text(text)
        , m_first(std::clamp<std::int64_t>(first, 0, text.lineCount() - 1))
        , m_begin(text.lineStart(m_first + 1))
    {
        const std::int64_t length = text.length();
        const std::int64_t lines = text.lineCount() - m_first;
        // As LineIndex counts content lines: none in an empty stretch, and not the empty line
        // after a final break.
        if (length - m_begin < 1)
            m_contentCount = 0;
        else
            m_contentCount =
                lines - (lines >= 2 && text.lineStart(text.lineCount()) == length ? 1 : 0);
    }

    std::int64_t first() const { return m_first; }
    std::int64_t begin() const { return m_begin; }
    std::int64_t end() const { return m_text.length(); }
    std::int64_t contentCount() const { return m_contentCount; }

    // The 0-based line (counted from first()) holding offset.
    std::int64_t lineOf(std::int64_t offset)
    {
        if (offset >= m_text.length())
            return m_text.lineCount() - 1 - m_first;
        if (!holds(offset))
            load(offset);
        const auto after = std::upper_bound(m_ends.begin(), m_ends.end(), offset);
        return m_chunkLine + (after - m_ends.begin()) - m_first;
    }

    std::int64_t startOf(std::int64_t line)
    {
        const std::int64_t absolute = m_first + line;
        if (m_loaded) {
            const std::int64_t known = absolute - m_chunkLine - 1;
            if (known >= 0 && known < static_cast<std::int64_t>(m_ends.size()))
                return m_ends[static_cast<std::size_t>(known)];
        }
        const std::int64_t start = m_text.lineStart(absolute + 1);
        if (start < m_text.length())
            load(start);
        return start;
    }

    LineIndex::Range contentRange(std::int64_t line)
    {
        const std::int64_t start = startOf(line);
        std::int64_t stop = m_first + line + 1 < m_text.lineCount() ? startOf(line + 1) : end();
        while (stop > start && isBreak(unitAt(stop - 1)))
            --stop;
        return {start, stop - start};
    }

private:
    static bool isBreak(char16_t unit)
    {
        return unit == u'\n' || unit == u'\r' || unit == 0x0085 || (unit & 0xFFFE) == 0x2028;
    }

    bool holds(std::int64_t offset) const
    {
        return m_loaded && offset >= m_chunkStart
               && offset < m_chunkStart + static_cast<std::int64_t>(m_units.size());
    }

    char16_t unitAt(std::int64_t offset) const
    {
        return holds(offset) ? m_units[static_cast<std::size_t>(offset - m_chunkStart)]
                             : m_text.at(offset);
    }

    // The chunk holding offset: its units, the line its start lies on, and the starts of the
    // lines that begin inside it or right after it. A border never splits a CR LF.
    void load(std::int64_t offset)
    {
        const TextSnapshot::Piece piece = m_text.chunkAt(offset, m_buffer);
        m_units = piece.units;
        m_chunkStart = piece.start;
        m_chunkLine = m_text.lineNumber(piece.start) - 1;
        m_ends.clear();
        const std::size_t size = m_units.size();
        for (std::size_t i = 0; i < size; ++i) {
            const char16_t unit = m_units[i];
            if (unit == u'\r') {
                if (i + 1 < size && m_units[i + 1] == u'\n')
                    continue;
            } else if (!isBreak(unit)) {
                continue;
            }
            m_ends.push_back(m_chunkStart + static_cast<std::int64_t>(i) + 1);
        }
        m_loaded = true;
    }

    const TextSnapshot& m_text;
    std::int64_t m_first;
    std::int64_t m_begin;
    std::int64_t m_contentCount = 0;

    bool m_loaded = false;
    std::u16string m_buffer;
    std::u16string_view m_units;
    std::int64_t m_chunkStart = 0;
    // The 0-based line of the chunk's first unit.
    std::int64_t m_chunkLine = 0;
    std::vector<std::int64_t> m_ends;
};

// The filter's searches by their part: the primary and the or-conditions propose lines, the
// and-conditions must match within a proposed line and the not-conditions must not.
struct Searches
{
    std::vector<const CompiledSearch*> alternative;
    std::vector<const CompiledSearch*> required;
    std::vector<const CompiledSearch*> excluded;
};

Searches searchesOf(const LineFilter& filter)
{
    Searches searches;
    searches.alternative.push_back(&filter.primary);
    for (const auto& condition : filter.conditions) {
        switch (condition.join) {
        case LineFilter::Join::or_:
            searches.alternative.push_back(&condition.search);
            break;
        case LineFilter::Join::and_:
            searches.required.push_back(&condition.search);
            break;
        case LineFilter::Join::not_:
            searches.excluded.push_back(&condition.search);
            break;
        }
    }
    return searches;
}

// What follows the candidate lines, the same over one string and over a snapshot: the and-
// and not-conditions within each candidate's content, the inversion, then the parts. Scanner
// reads Text (built as Scanner(search, text)); contentRange(line) gives a content line's range
// in the text's own locations. Lines and part locations are shifted by the offsets given.
template<typename Scanner, typename Text, typename ContentRange>
std::optional<LineFilter::Hits> selectLines(const LineFilter& filter,
                                            const Searches& searches,
                                            const Text& text,
                                            std::vector<std::int64_t> candidates,
                                            std::int64_t lineCount,
                                            ContentRange contentRange,
                                            std::int64_t lineOffset,
                                            std::int64_t locationOffset,
                                            const StopCheck& cancel)
{
    if (searches.alternative.size() >= 2) {
        std::sort(candidates.begin(), candidates.end());
        candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
    }

    std::vector<std::int64_t> selected;
    if (searches.required.empty() && searches.excluded.empty()) {
        selected = std::move(candidates);
    } else {
        std::vector<std::unique_ptr<Scanner>> scanners;
        for (const CompiledSearch* search : searches.required)
            scanners.push_back(std::make_unique<Scanner>(*search, text));
        for (const CompiledSearch* search : searches.excluded)
            scanners.push_back(std::make_unique<Scanner>(*search, text));
        const std::size_t requiredCount = searches.required.size();
        selected.reserve(candidates.size());
        for (std::size_t k = 0; k < candidates.size(); ++k) {
            if (k % cancelInterval == 0 && cancel())
                return std::nullopt;
            const std::int64_t line = candidates[k];
            const LineIndex::Range range = contentRange(line);
            bool keep = true;
            for (std::size_t i = 0; keep && i < scanners.size(); ++i) {
                Found found = rangeHasMatch(*scanners[i], range, cancel);
                if (found == Found::cancelled)
                    return std::nullopt;
                keep = (found == Found::yes) == (i < requiredCount);
            }
            if (keep)
                selected.push_back(line);
        }
    }

    if (filter.invert) {
        std::vector<std::int64_t> others;
        others.reserve(static_cast<std::size_t>(lineCount)
                       - std::min(selected.size(), static_cast<std::size_t>(lineCount)));
        auto next = selected.begin();
        for (std::int64_t line = 0; line < lineCount; ++line) {
            if (line % (cancelInterval * 64) == 0 && cancel())
                return std::nullopt;
            if (next != selected.end() && *next == line) {
                ++next;
                continue;
            }
            others.push_back(line);
        }
        selected = std::move(others);
    }

    LineFilter::Hits hits;
    hits.lines.reserve(selected.size());
    for (std::int64_t line : selected)
        hits.lines.push_back(line + lineOffset);
    if (!filter.showsParts())
        return hits;

    // The parts: every match of length at least 1 of the positive searches within each line;
    // where they overlap, the earlier one wins, and at the same location the longer one.
    std::vector<std::unique_ptr<Scanner>> positives;
    for (const CompiledSearch* search : searches.alternative)
        positives.push_back(std::make_unique<Scanner>(*search, text));
    for (const CompiledSearch* search : searches.required)
        positives.push_back(std::make_unique<Scanner>(*search, text));
    std::vector<SearchMatch> gathered;
    for (std::size_t k = 0; k < selected.size(); ++k) {
        if (k % cancelInterval == 0 && cancel())
            return std::nullopt;
        const std::int64_t line = selected[k];
        const LineIndex::Range range = contentRange(line);
        gathered.clear();
        for (auto& scanner : positives) {
            auto outcome = scanner->enumerate(
                range.location,
                range.length,
                false,
                [&](const SearchMatch& match) {
                    gathered.push_back(match);
                    return true;
                },
                &cancel);
            if (outcome == Scanner::Outcome::stopped)
                return std::nullopt;
        }
        if (positives.size() >= 2) {
            std::stable_sort(
                gathered.begin(), gathered.end(), [](const SearchMatch& a, const SearchMatch& b) {
                    if (a.location != b.location)
                        return a.location < b.location;
                    return a.length > b.length;
                });
        }
        std::int64_t endMark = -1;
        for (const SearchMatch& part : gathered) {
            if (part.location < endMark)
                continue;
            endMark = part.location + part.length;
            hits.parts.push_back(SearchMatch{part.location + locationOffset, part.length});
            hits.partLines.push_back(line + lineOffset);
        }
    }
    return hits;
}

} // namespace

std::string_view rawValue(LineFilter::Join join)
{
    return joinTable[static_cast<std::size_t>(join)].second;
}

std::optional<LineFilter::Join> lineFilterJoinFromRawValue(std::string_view raw)
{
    for (const auto& [join, name] : joinTable) {
        if (name == raw)
            return join;
    }
    return std::nullopt;
}

std::vector<CompiledSearch> LineFilter::positiveQueries() const
{
    std::vector<CompiledSearch> out{primary};
    for (auto join : {Join::or_, Join::and_}) {
        for (const auto& condition : conditions) {
            if (condition.join == join)
                out.push_back(condition.search);
        }
    }
    return out;
}

std::optional<LineFilter::Hits> LineFilter::apply(std::u16string_view text,
                                                  const LineIndex* givenIndex,
                                                  std::int64_t lineOffset,
                                                  std::int64_t locationOffset,
                                                  const StopCheck& cancel) const
{
    std::optional<LineIndex> builtIndex;
    if (!givenIndex)
        builtIndex.emplace(text);
    const LineIndex& index = givenIndex ? *givenIndex : *builtIndex;

    if (index.length() < 1)
        return Hits{};
    const std::int64_t lineCount = index.contentLineCount();
    if (lineCount == 0)
        return Hits{};

    // Candidates: lines where the primary or an or-condition has a match that starts there.
    const Searches searches = searchesOf(*this);
    std::vector<std::int64_t> candidates;
    std::int64_t counted = 0;
    for (const CompiledSearch* search : searches.alternative) {
        if (!addCandidateLines(*search, text, index, lineCount, counted, cancel, candidates))
            return std::nullopt;
    }
    return selectLines<SearchScanner>(
        *this,
        searches,
        text,
        std::move(candidates),
        lineCount,
        [&](std::int64_t line) { return index.contentRange(line, text); },
        lineOffset,
        locationOffset,
        cancel);
}

std::optional<LineFilter::Hits>
LineFilter::apply(const TextSnapshot& text, std::int64_t firstLine, const StopCheck& cancel) const
{
    SnapshotLines lines(text, firstLine);
    const std::int64_t lineCount = lines.contentCount();
    if (lineCount == 0)
        return Hits{};
    const std::int64_t begin = lines.begin();

    // Candidates: lines where the primary or an or-condition has a match that starts there.
    // Once a line has one, the matches up to its end cost a comparison each.
    const Searches searches = searchesOf(*this);
    std::vector<std::int64_t> candidates;
    std::int64_t counted = 0;
    for (const CompiledSearch* search : searches.alternative) {
        SnapshotScanner scanner(*search, text);
        bool cancelled = false;
        std::int64_t lastLine = -1;
        std::int64_t lastLineEnd = -1;
        auto outcome = scanner.enumerate(
            begin,
            lines.end() - begin,
            true,
            [&](const SearchMatch& match) {
                if (++counted % cancelInterval == 0 && cancel()) {
                    cancelled = true;
                    return false;
                }
                if (match.location < lastLineEnd)
                    return true;
                const std::int64_t line = lines.lineOf(match.location);
                // The empty line after a final break: every later match lies there too.
                if (line >= lineCount)
                    return false;
                if (line != lastLine) {
                    candidates.push_back(line);
                    lastLine = line;
                    lastLineEnd = line + 1 < lineCount ? lines.startOf(line + 1) : lines.end();
                }
                return true;
            },
            &cancel);
        if (cancelled || outcome == SnapshotScanner::Outcome::stopped)
            return std::nullopt;
    }
    return selectLines<SnapshotScanner>(
        *this,
        searches,
        text,
        std::move(candidates),
        lineCount,
        [&](std::int64_t line) { return lines.contentRange(line); },
        lines.first(),
        0,
        cancel);
}

void LineFilter::Hits::removeFrom(std::int64_t line)
{
    auto atOrAfter = [line](std::int64_t l) { return l >= line; };
    lines.erase(std::find_if(lines.begin(), lines.end(), atOrAfter), lines.end());
    auto firstPart = std::find_if(partLines.begin(), partLines.end(), atOrAfter);
    if (firstPart == partLines.end())
        return;
    const auto kept = firstPart - partLines.begin();
    partLines.erase(firstPart, partLines.end());
    if (kept < static_cast<std::ptrdiff_t>(parts.size()))
        parts.erase(parts.begin() + kept, parts.end());
}

void LineFilter::Hits::append(const Hits& other)
{
    lines.insert(lines.end(), other.lines.begin(), other.lines.end());
    parts.insert(parts.end(), other.parts.begin(), other.parts.end());
    partLines.insert(partLines.end(), other.partLines.begin(), other.partLines.end());
}

std::ostream& operator<<(std::ostream& out, LineFilter::Join join)
{
    return out << rawValue(join);
}

std::ostream& operator<<(std::ostream& out, const LineFilter::Hits& hits)
{
    out << "lines [";
    for (std::size_t i = 0; i < hits.lines.size(); ++i)
        out << (i ? ", " : "") << hits.lines[i];
    out << "] parts [";
    for (std::size_t i = 0; i < hits.parts.size(); ++i)
        out << (i ? ", " : "") << hits.parts[i];
    out << "] partLines [";
    for (std::size_t i = 0; i < hits.partLines.size(); ++i)
        out << (i ? ", " : "") << hits.partLines[i];
    return out << ']';
}

} // namespace EditorCore
