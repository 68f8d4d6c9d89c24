#include "core/SnapshotSearch.h"

#include "core/ScanRegions.h"
#include "core/SearchRequirement.h"
#include "core/SnapshotUText.h"

#include <unicode/regex.h>
#include <unicode/utext.h>
#include <unicode/utf16.h>

#include <algorithm>

namespace EditorCore {
namespace {

using ScanRegions::literalStretch;

// The selected range of a snapshot, for the prefilter's walk: the prefilter reads stretches
// copied out of the chunks, the line searches read the chunks in place.
class SnapshotSource
{
public:
    SnapshotSource(const TextSnapshot& snapshot,
                   std::int64_t base,
                   const SearchPrefilter& prefilter,
                   std::u16string& window,
                   std::u16string& pieceBuffer)
        : m_snapshot(snapshot)
        , m_base(base)
        , m_window(window)
        , m_pieceBuffer(pieceBuffer)
    {
        for (const auto& needle : prefilter.needles())
            m_longest =
                std::max<std::int64_t>(m_longest, static_cast<std::int64_t>(needle.places.size()));
    }

    char16_t unitAt(std::int64_t offset) const { return m_snapshot.at(m_base + offset); }

    ScanRegions::Window window(std::int64_t position, std::int64_t stretchEnd, std::int64_t end)
    {
        const std::int64_t windowEnd = std::min(end, stretchEnd + m_longest - 1);
        // Places lie close together in a dense search: the stretch copied for the last one
        // usually holds the next, and copying a stretch per place would read every unit many
        // times over. A fresh copy reaches well past what is asked.
        if (m_windowValid && position >= m_windowStart
            && windowEnd <= m_windowStart + static_cast<std::int64_t>(m_window.size()))
            return {m_window, m_windowStart};
        const std::int64_t copyEnd = std::min(end, std::max(windowEnd, position + copiedAhead));
        m_window.clear();
        m_snapshot.visit(m_base + position, copyEnd - position, [&](std::u16string_view piece) {
            m_window.append(piece);
            return true;
        });
        m_windowStart = position;
        m_windowValid = true;
        return {m_window, position};
    }

    std::int64_t lineStartBefore(std::int64_t hit, std::int64_t from)
    {
        std::int64_t at = hit;
        // Inside the stretch copied last, without widening a chunk again.
        if (m_windowValid && at > m_windowStart
            && at <= m_windowStart + static_cast<std::int64_t>(m_window.size())) {
            const std::int64_t stop = std::max(from, m_windowStart);
            for (; at > stop; --at) {
                if (isEngineLineBreak(m_window[static_cast<std::size_t>(at - 1 - m_windowStart)]))
                    return at;
            }
        }
        while (at > from) {
            const TextSnapshot::Piece piece = m_snapshot.chunkAt(m_base + at - 1, m_pieceBuffer);
            const std::int64_t pieceStart = std::max(piece.start - m_base, from);
            for (std::int64_t i = at; i > pieceStart; --i) {
                if (isEngineLineBreak(
                        piece.units[static_cast<std::size_t>(i - 1 + m_base - piece.start)]))
                    return i;
            }
            at = pieceStart;
        }
        return from;
    }

    std::int64_t lineEndFrom(std::int64_t hit, std::int64_t end)
    {
        std::int64_t at = hit;
        if (m_windowValid && at >= m_windowStart
            && at < m_windowStart + static_cast<std::int64_t>(m_window.size())) {
            const std::int64_t stop =
                std::min(end, m_windowStart + static_cast<std::int64_t>(m_window.size()));
            for (; at < stop; ++at) {
                if (isEngineLineBreak(m_window[static_cast<std::size_t>(at - m_windowStart)]))
                    return at;
            }
        }
        while (at < end) {
            const TextSnapshot::Piece piece = m_snapshot.chunkAt(m_base + at, m_pieceBuffer);
            const std::int64_t pieceEnd =
                std::min(piece.start - m_base + static_cast<std::int64_t>(piece.units.size()), end);
            for (std::int64_t i = at; i < pieceEnd; ++i) {
                if (isEngineLineBreak(
                        piece.units[static_cast<std::size_t>(i + m_base - piece.start)]))
                    return i;
            }
            at = pieceEnd;
        }
        return end;
    }

private:
    const TextSnapshot& m_snapshot;
    std::int64_t m_base;
    std::u16string& m_window;
    std::u16string& m_pieceBuffer;
    // The longest needle, at least 1.
    std::int64_t m_longest = 1;
    static constexpr std::int64_t copiedAhead = 64 * 1024;
    // What m_window holds: the units from m_windowStart on (relative to m_base).
    bool m_windowValid = false;
    std::int64_t m_windowStart = 0;
};

// A surrogate without its partner in the query: the engine compares such a unit with the
// halves of a pair in a text held in one buffer, but not in a text read through a UText, which
// it reads by code points.
bool holdsLoneSurrogate(std::u16string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (U16_IS_LEAD(text[i]) && i + 1 < text.size() && U16_IS_TRAIL(text[i + 1]))
            ++i;
        else if (U16_IS_SURROGATE(text[i]))
            return true;
    }
    return false;
}

} // namespace

SnapshotScanner::SnapshotScanner(const CompiledSearch& search, TextSnapshot snapshot)
    : m_search(search)
    , m_snapshot(std::move(snapshot))
    , m_literal(search.plainLiteral())
    , m_readsCopy(!m_literal && holdsLoneSurrogate(search.query().text))
    , m_prefilter(m_literal || m_readsCopy ? nullptr : search.prefilter())
{}

SnapshotScanner::~SnapshotScanner()
{
    m_matcher.reset();
    if (m_utext)
        utext_close(m_utext);
}

SnapshotScanner::Outcome SnapshotScanner::enumerate(std::int64_t location,
                                                    std::int64_t length,
                                                    bool includeZeroLength,
                                                    const MatchVisitor& visitor,
                                                    const StopCheck* stop)
{
    ScanRegions::clampRange(m_snapshot.length(), location, length);
    if (m_literal)
        return enumerateLiteral(location, location + length, visitor, stop);
    if (m_readsCopy) {
        const std::u16string copy = m_snapshot.text(location, length);
        SearchScanner scanner(m_search, copy);
        m_copyScanner = &scanner;
        m_copyBase = location;
        const Outcome outcome = scanner.enumerate(
            0,
            length,
            includeZeroLength,
            [&](const SearchMatch& match) {
                return visitor(SearchMatch{location + match.location, match.length});
            },
            stop);
        m_copyScanner = nullptr;
        return outcome;
    }

    if (m_prefilter)
        return enumeratePrefiltered(location, length, visitor, stop);

    icu::RegexMatcher* selected = select(location, length);
    if (!selected)
        return Outcome::ranOut;
    return ScanRegions::runEngine(*selected, m_base, includeZeroLength, visitor, stop);
}

icu::RegexMatcher* SnapshotScanner::select(std::int64_t location, std::int64_t length)
{
    if (!ScanRegions::matcherOf(m_search, m_matcher))
        return nullptr;
    UErrorCode status = U_ZERO_ERROR;
    // A text of the range alone, so look-behind and word boundaries see nothing past its ends.
    UText* text = openSnapshotUText(m_utext, m_snapshot, location, length, &status);
    if (U_FAILURE(status) || !text)
        return nullptr;
    m_utext = text;
    m_matcher->reset(m_utext);
    m_base = location;
    return m_matcher.get();
}

// As the one-string scanner does it, the prefilter reading the range a stretch at a time.
SnapshotScanner::Outcome SnapshotScanner::enumeratePrefiltered(std::int64_t location,
                                                               std::int64_t length,
                                                               const MatchVisitor& visitor,
                                                               const StopCheck* stop)
{
    icu::RegexMatcher* selected = select(location, length);
    if (!selected)
        return Outcome::ranOut;
    SnapshotSource source(m_snapshot, location, *m_prefilter, m_window, m_pieceBuffer);
    return ScanRegions::enumeratePrefiltered(
        source,
        *m_prefilter,
        m_cursors,
        *selected,
        m_base,
        length,
        [&](const SearchMatch& match) {
            return visitor(match) ? match.location + match.length : std::int64_t{-1};
        },
        stop);
}

bool SnapshotScanner::contains(std::int64_t location, std::int64_t length)
{
    bool found = false;
    (void)enumerate(location, length, true, [&](const SearchMatch&) {
        found = true;
        return false;
    });
    return found;
}

bool SnapshotScanner::matchAnchored(std::int64_t location,
                                    std::int64_t length,
                                    std::vector<std::optional<SearchMatch>>& groups,
                                    std::optional<std::pair<std::int64_t, std::int64_t>> context)
{
    groups.clear();
    ScanRegions::clampRange(m_snapshot.length(), location, length);
    std::int64_t from = location;
    std::int64_t to = location + length;
    if (context) {
        from = std::clamp<std::int64_t>(context->first, 0, location);
        to = std::clamp<std::int64_t>(context->second, location + length, m_snapshot.length());
    }
    if (m_readsCopy) {
        const std::u16string copy = m_snapshot.text(from, to - from);
        SearchScanner scanner(m_search, copy, SearchScanner::Path::engineOnly);
        std::optional<std::pair<std::int64_t, std::int64_t>> copyContext;
        if (context)
            copyContext = std::pair<std::int64_t, std::int64_t>{0, to - from};
        const bool matched = scanner.matchAnchored(location - from, length, groups, copyContext);
        for (auto& group : groups) {
            if (group)
                group->location += from;
        }
        return matched;
    }
    icu::RegexMatcher* m = select(from, to - from);
    if (!m)
        return false;
    return ScanRegions::matchesAtRegion(*m,
                                        location - from,
                                        location + length - from,
                                        context.has_value(),
                                        [&] { currentGroups(groups); });
}

void SnapshotScanner::currentGroups(std::vector<std::optional<SearchMatch>>& groups)
{
    groups.clear();
    if (m_copyScanner) {
        m_copyScanner->currentGroups(groups);
        for (auto& group : groups) {
            if (group)
                group->location += m_copyBase;
        }
        return;
    }
    if (!m_matcher)
        return;
    icu::RegexMatcher& m = *m_matcher;
    UErrorCode status = U_ZERO_ERROR;
    const int32_t count = m.groupCount();
    groups.reserve(static_cast<std::size_t>(count) + 1);
    for (int32_t g = 0; g <= count; ++g) {
        const std::int64_t start = m.start64(g, status);
        const std::int64_t end = m.end64(g, status);
        if (U_FAILURE(status) || start < 0)
            groups.emplace_back(std::nullopt);
        else
            groups.emplace_back(SearchMatch{m_base + start, end - start});
    }
}

// Matches are looked for inside each chunk directly; those that straddle a border are looked
// for in a small joint of the last needle-length-minus-one units before the chunk and its first
// units. Matches do not overlap: the next one begins at or after the end of the last.
SnapshotScanner::Outcome SnapshotScanner::enumerateLiteral(std::int64_t start,
                                                           std::int64_t end,
                                                           const MatchVisitor& visitor,
                                                           const StopCheck* stop)
{
    const std::u16string_view needle = *m_literal;
    const auto m = static_cast<std::int64_t>(needle.size());
    if (end - start < m)
        return Outcome::ranOut;
    const auto carry = static_cast<std::size_t>(m - 1);
    std::u16string tail;
    std::u16string joint;
    std::int64_t tailStart = start;
    std::int64_t nextAllowed = start;
    std::int64_t sinceQuestion = 0;
    Outcome outcome = Outcome::ranOut;
    // The matches in units (which begin at origin in the text) that begin before startsBefore;
    // false when the visitor stopped.
    auto visitIn = [&](std::u16string_view units, std::int64_t origin, std::int64_t startsBefore) {
        std::int64_t from = std::max<std::int64_t>(0, nextAllowed - origin);
        for (;;) {
            const std::int64_t found =
                findCodeUnits(units, from, static_cast<std::int64_t>(units.size()), needle);
            if (found < 0 || found >= startsBefore)
                return true;
            if (!visitor(SearchMatch{origin + found, m})) {
                outcome = Outcome::visitorStopped;
                return false;
            }
            nextAllowed = origin + found + m;
            from = found + m;
        }
    };
    m_snapshot.visit(start, end - start, [&](std::u16string_view piece) {
        const std::int64_t pieceStart = tailStart + static_cast<std::int64_t>(tail.size());
        if (!tail.empty()) {
            joint.assign(tail);
            joint.append(piece.substr(0, std::min(piece.size(), carry)));
            // Matches that begin inside the piece are found there.
            if (!visitIn(joint, tailStart, static_cast<std::int64_t>(tail.size())))
                return false;
        }
        const auto pieceLength = static_cast<std::int64_t>(piece.size());
        if (!visitIn(piece, pieceStart, pieceLength))
            return false;
        sinceQuestion += pieceLength;
        if (stop && sinceQuestion >= literalStretch) {
            sinceQuestion = 0;
            if ((*stop)()) {
                outcome = Outcome::stopped;
                return false;
            }
        }
        if (piece.size() >= carry) {
            tail.assign(piece.substr(piece.size() - carry));
        } else {
            tail.append(piece);
            if (tail.size() > carry)
                tail.erase(0, tail.size() - carry);
        }
        tailStart = pieceStart + pieceLength - static_cast<std::int64_t>(tail.size());
        return true;
    });
    return outcome;
}

} // namespace EditorCore
