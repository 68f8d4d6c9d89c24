#include "core/SnapshotSearch.h"

#include "core/SearchRequirement.h"
#include "core/SnapshotUText.h"

#include <unicode/regex.h>
#include <unicode/utext.h>
#include <unicode/utf16.h>

#include <algorithm>

namespace EditorCore {
namespace {

constexpr std::int64_t progressInterval = 1024;
constexpr std::int64_t literalStretch = 1 << 16;

struct ProgressContext
{
    const StopCheck* stop = nullptr;
    std::int64_t nextQuestion = progressInterval;
    bool stopped = false;
};

UBool U_CALLCONV onFindProgress(const void* context, int64_t position)
{
    auto* progress = static_cast<ProgressContext*>(const_cast<void*>(context));
    if (position < progress->nextQuestion)
        return true;
    progress->nextQuestion = position + progressInterval;
    if ((*progress->stop)()) {
        progress->stopped = true;
        return false;
    }
    return true;
}

void clampRange(std::int64_t size, std::int64_t& location, std::int64_t& length)
{
    const std::int64_t start = std::clamp<std::int64_t>(location, 0, size);
    const std::int64_t end =
        std::clamp<std::int64_t>(location + std::max<std::int64_t>(length, 0), start, size);
    location = start;
    length = end - start;
}

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
    clampRange(m_snapshot.length(), location, length);
    if (m_literal)
        return enumerateLiteral(location, location + length, visitor, stop);
    if (m_readsCopy) {
        const std::u16string copy = m_snapshot.text(location, length);
        SearchScanner scanner(m_search, copy);
        return scanner.enumerate(
            0,
            length,
            includeZeroLength,
            [&](const SearchMatch& match) {
                return visitor(SearchMatch{location + match.location, match.length});
            },
            stop);
    }

    if (m_prefilter)
        return enumeratePrefiltered(location, length, visitor, stop);

    icu::RegexMatcher* selected = select(location, length);
    if (!selected)
        return Outcome::ranOut;
    icu::RegexMatcher& m = *selected;
    UErrorCode status = U_ZERO_ERROR;
    ProgressContext progress{stop};
    if (stop)
        m.setFindProgressCallback(onFindProgress, &progress, status);
    Outcome outcome = Outcome::ranOut;
    while (U_SUCCESS(status) && m.find(status)) {
        const std::int64_t start = m.start64(status);
        const std::int64_t end = m.end64(status);
        if (U_FAILURE(status) || start < 0)
            continue;
        if (end == start && !includeZeroLength)
            continue;
        if (!visitor(SearchMatch{location + start, end - start})) {
            outcome = Outcome::visitorStopped;
            break;
        }
    }
    if (progress.stopped)
        outcome = Outcome::stopped;
    if (stop) {
        UErrorCode ignored = U_ZERO_ERROR;
        m.setFindProgressCallback(nullptr, nullptr, ignored);
    }
    return outcome;
}

icu::RegexMatcher* SnapshotScanner::select(std::int64_t location, std::int64_t length)
{
    UErrorCode status = U_ZERO_ERROR;
    if (!m_matcher) {
        m_matcher.reset(m_search.expression().matcher(status));
        if (U_FAILURE(status) || !m_matcher) {
            m_matcher.reset();
            return nullptr;
        }
    }
    // A text of the range alone, so look-behind and word boundaries see nothing past its ends.
    UText* text = openSnapshotUText(m_utext, m_snapshot, location, length, &status);
    if (U_FAILURE(status) || !text)
        return nullptr;
    m_utext = text;
    m_matcher->reset(m_utext);
    m_base = location;
    return m_matcher.get();
}

// As the one-string scanner does it: the engine runs on regions of the range with transparent,
// non-anchoring bounds, each chosen so that every match beginning in it up to the reported
// place lies inside it; the prefilter reads the range a stretch at a time, copied out of the
// chunks.
SnapshotScanner::Outcome SnapshotScanner::enumeratePrefiltered(std::int64_t location,
                                                               std::int64_t length,
                                                               const MatchVisitor& visitor,
                                                               const StopCheck* stop)
{
    icu::RegexMatcher* selected = select(location, length);
    if (!selected)
        return Outcome::ranOut;
    icu::RegexMatcher& m = *selected;
    m.useTransparentBounds(true);
    m.useAnchoringBounds(false);
    UErrorCode status = U_ZERO_ERROR;
    ProgressContext progress{stop};
    if (stop)
        m.setFindProgressCallback(onFindProgress, &progress, status);
    m_cursors.assign(m_prefilter->needles().size() + 1, Cursor{});

    Outcome outcome = Outcome::ranOut;
    std::int64_t position = 0;
    SearchMatch match;
    for (;;) {
        const Step step = nextPrefiltered(position, length, match, &progress);
        if (step == Step::stopped) {
            outcome = Outcome::stopped;
            break;
        }
        if (step == Step::none)
            break;
        if (!visitor(SearchMatch{m_base + match.location, match.length})) {
            outcome = Outcome::visitorStopped;
            break;
        }
        position = match.location + match.length;
    }
    if (stop) {
        UErrorCode ignored = U_ZERO_ERROR;
        m.setFindProgressCallback(nullptr, nullptr, ignored);
    }
    return outcome;
}

std::int64_t
SnapshotScanner::nextHit(std::int64_t from, std::int64_t end, void* context, bool& stopped)
{
    auto* progress = static_cast<ProgressContext*>(context);
    const auto& needles = m_prefilter->needles();
    const auto& strays = m_prefilter->strays();
    std::int64_t longest = 1;
    for (const auto& needle : needles)
        longest = std::max<std::int64_t>(longest, static_cast<std::int64_t>(needle.places.size()));
    std::int64_t position = from;
    while (position < end) {
        const std::int64_t stretchEnd = std::min(end, position + progressInterval);
        // Enough for a needle that begins before the stretch's end to be seen whole.
        const std::int64_t windowEnd = std::min(end, stretchEnd + longest - 1);
        m_window.clear();
        m_snapshot.visit(m_base + position, windowEnd - position, [&](std::u16string_view piece) {
            m_window.append(piece);
            return true;
        });
        std::int64_t best = -1;
        for (std::size_t i = 0; i <= needles.size(); ++i) {
            if (i == needles.size() && strays.empty())
                break;
            Cursor& cursor = m_cursors[i];
            if (cursor.hit < position) {
                const std::int64_t start =
                    cursor.hit < 0 ? std::max(position, cursor.scannedTo) : position;
                if (start >= stretchEnd) {
                    cursor.hit = -1;
                    continue;
                }
                const std::int64_t found =
                    i < needles.size()
                        ? SearchPrefilter::findNeedle(
                            m_window, start - position, stretchEnd - position, needles[i])
                        : SearchPrefilter::findAnyUnit(
                            m_window, start - position, stretchEnd - position, strays);
                cursor.hit = found < 0 ? -1 : found + position;
                if (cursor.hit < 0)
                    cursor.scannedTo = stretchEnd;
            }
            if (cursor.hit >= 0 && cursor.hit < stretchEnd && (best < 0 || cursor.hit < best))
                best = cursor.hit;
        }
        if (best >= 0)
            return best;
        position = stretchEnd;
        if (progress->stop && position < end && position >= progress->nextQuestion) {
            progress->nextQuestion = position + progressInterval;
            if ((*progress->stop)()) {
                progress->stopped = true;
                stopped = true;
                return -1;
            }
        }
    }
    return -1;
}

// Just after the last engine line break in [from, hit), or from.
std::int64_t SnapshotScanner::lineStartBefore(std::int64_t hit, std::int64_t from)
{
    std::int64_t at = hit;
    while (at > from) {
        const TextSnapshot::Piece piece = m_snapshot.chunkAt(m_base + at - 1, m_pieceBuffer);
        const std::int64_t pieceStart = std::max(piece.start - m_base, from);
        for (std::int64_t i = at; i > pieceStart; --i) {
            if (isEngineLineBreak(piece.units[static_cast<std::size_t>(i - 1 + m_base - piece.start)]))
                return i;
        }
        at = pieceStart;
    }
    return from;
}

// The first engine line break in [hit, end), or end.
std::int64_t SnapshotScanner::lineEndFrom(std::int64_t hit, std::int64_t end)
{
    std::int64_t at = hit;
    while (at < end) {
        const TextSnapshot::Piece piece = m_snapshot.chunkAt(m_base + at, m_pieceBuffer);
        const std::int64_t pieceEnd =
            std::min(piece.start - m_base + static_cast<std::int64_t>(piece.units.size()), end);
        for (std::int64_t i = at; i < pieceEnd; ++i) {
            if (isEngineLineBreak(piece.units[static_cast<std::size_t>(i + m_base - piece.start)]))
                return i;
        }
        at = pieceEnd;
    }
    return end;
}

SnapshotScanner::Step SnapshotScanner::nextPrefiltered(std::int64_t& from,
                                                       std::int64_t end,
                                                       SearchMatch& match,
                                                       void* context)
{
    auto* progress = static_cast<ProgressContext*>(context);
    auto splitsPair = [&](std::int64_t at) {
        return at > 0 && at < end && U16_IS_TRAIL(unitAt(at)) && U16_IS_LEAD(unitAt(at - 1));
    };
    const SearchPrefilter& prefilter = *m_prefilter;
    icu::RegexMatcher& m = *m_matcher;
    while (from < end) {
        bool stopped = false;
        const std::int64_t hit = nextHit(from, end, progress, stopped);
        if (stopped)
            return Step::stopped;
        if (hit < 0)
            return Step::none;

        // Where a match holding this place can begin at the earliest.
        std::int64_t low = prefilter.backReach() != SearchPrefilter::unbounded
                               ? std::max(from, hit - prefilter.backReach())
                               : lineStartBefore(hit, from);
        if (low > from && splitsPair(low))
            --low;

        // Where it ends at the latest. A region that a match beginning after the place could
        // outgrow makes only a match beginning at or before the place trustworthy.
        std::int64_t high = end;
        bool onlyUpToHit = false;
        if (prefilter.maxLength() != SearchPrefilter::unbounded) {
            high = std::min(end, hit + prefilter.maxLength());
            if (splitsPair(high))
                ++high;
            onlyUpToHit = high < end;
        } else if (prefilter.staysWithinLines()) {
            high = lineEndFrom(hit, end);
        }

        UErrorCode status = U_ZERO_ERROR;
        m.region(low, high, status);
        const bool found = U_SUCCESS(status) && m.find(status) && U_SUCCESS(status);
        if (progress->stopped)
            return Step::stopped;
        if (found) {
            const std::int64_t start = m.start64(status);
            const std::int64_t stop = m.end64(status);
            if (U_SUCCESS(status) && (!onlyUpToHit || start <= hit)) {
                match = SearchMatch{start, stop - start};
                return Step::found;
            }
        } else if (!onlyUpToHit && high == end) {
            return Step::none;
        }
        if (onlyUpToHit) {
            from = hit + 1;
            if (splitsPair(from))
                ++from;
        } else {
            from = high;
        }
    }
    return Step::none;
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
    m_snapshot.visit(start, end - start, [&](std::u16string_view piece) {
        const std::int64_t pieceStart = tailStart + static_cast<std::int64_t>(tail.size());
        if (!tail.empty()) {
            joint.assign(tail);
            joint.append(piece.substr(0, std::min(piece.size(), carry)));
            std::int64_t from = std::max<std::int64_t>(0, nextAllowed - tailStart);
            for (;;) {
                const std::int64_t found = findCodeUnits(
                    joint, from, static_cast<std::int64_t>(joint.size()), needle);
                // Matches that begin inside the piece are found there.
                if (found < 0 || found >= static_cast<std::int64_t>(tail.size()))
                    break;
                if (!visitor(SearchMatch{tailStart + found, m})) {
                    outcome = Outcome::visitorStopped;
                    return false;
                }
                nextAllowed = tailStart + found + m;
                from = found + m;
            }
        }
        std::int64_t from = std::max<std::int64_t>(0, nextAllowed - pieceStart);
        const auto pieceLength = static_cast<std::int64_t>(piece.size());
        for (;;) {
            const std::int64_t found = findCodeUnits(piece, from, pieceLength, needle);
            if (found < 0)
                break;
            if (!visitor(SearchMatch{pieceStart + found, m})) {
                outcome = Outcome::visitorStopped;
                return false;
            }
            nextAllowed = pieceStart + found + m;
            from = found + m;
        }
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
