#pragma once

// What SearchScanner (one string) and SnapshotScanner (a snapshot's chunks) share: the stop
// check during the engine's runs, the engine-only loop, and the engine run only on regions
// around the places the prefilter reports. Included by those two alone.
//
// The prefilter's walk reads the selected range through a source, with offsets relative to
// the range:
//   char16_t unitAt(offset)
//   int64 lineStartBefore(hit, from)  just after the last engine line break in [from, hit), or from
//   int64 lineEndFrom(hit, end)       the first engine line break in [hit, end), or end
//   Window window(position, stretchEnd, end)
//                                     units holding [position, stretchEnd) and, up to end, enough
//                                     after it to see whole a needle beginning before stretchEnd

#include "core/SearchScanner.h"

#include <unicode/regex.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <vector>

namespace EditorCore::ScanRegions {

// Whether `m` matches at the start of [start, end) of its input and the match's groups, as
// `groups` reads them, when it does. With `context` the region's bounds are transparent and do
// not anchor, so look-around and \b see the text around it as the search saw it.
template<class Groups>
bool matchesAtRegion(icu::RegexMatcher& m,
                     std::int64_t start,
                     std::int64_t end,
                     bool context,
                     const Groups& groups)
{
    UErrorCode status = U_ZERO_ERROR;
    if (context) {
        m.region(start, end, status);
        m.useTransparentBounds(true);
        m.useAnchoringBounds(false);
    }
    const bool matched = U_SUCCESS(status) && m.lookingAt(status) && U_SUCCESS(status);
    if (matched)
        groups();
    if (context) {
        m.useTransparentBounds(false);
        m.useAnchoringBounds(true);
    }
    return matched;
}

using Outcome = SearchScanner::Outcome;

// How many positions the engine may scan without a match between two questions to the stop
// check. The engine reports progress at about every position; asking only every so often
// keeps a check through std::function from costing as much as the scan itself.
constexpr std::int64_t progressInterval = 1024;
// A literal search asks the stop check after each stretch of this many positions.
constexpr std::int64_t literalStretch = 1 << 16;

struct Progress
{
    const StopCheck* stop = nullptr;
    // The position at which to ask next; during one scan the positions only grow.
    std::int64_t nextQuestion = progressInterval;
    bool stopped = false;

    // Asks the stop check once position has reached the next question; true: stop.
    bool askAt(std::int64_t position)
    {
        if (position < nextQuestion)
            return false;
        nextQuestion = position + progressInterval;
        stopped = (*stop)();
        return stopped;
    }
};

// Puts the stop check on the matcher's find progress and on its steps within one match, for the
// guard's lifetime (nothing when stop is null).
class ProgressGuard
{
public:
    ProgressGuard(icu::RegexMatcher& matcher, Progress& progress);
    ~ProgressGuard();
    ProgressGuard(const ProgressGuard&) = delete;
    ProgressGuard& operator=(const ProgressGuard&) = delete;

private:
    icu::RegexMatcher& m_matcher;
    bool m_on;
};

// Clamps [location, location + length) to [0, size).
void clampRange(std::int64_t size, std::int64_t& location, std::int64_t& length);

// The matcher of search, made on first use into holder; null when the engine cannot make one.
icu::RegexMatcher* matcherOf(const CompiledSearch& search,
                             std::unique_ptr<icu::RegexMatcher>& holder);

// Every match of a matcher reset to the selected range, offsets moved on by base.
Outcome runEngine(icu::RegexMatcher& matcher,
                  std::int64_t base,
                  bool includeZeroLength,
                  const MatchVisitor& visitor,
                  const StopCheck* stop);

struct Window
{
    std::u16string_view units;
    // The range offset of units[0].
    std::int64_t origin = 0;
};

enum class Step { found, none, stopped };

// The first place in [from, end) that one of the prefilter's needles or strays reports, or -1.
// The cursors remember, per needle (and the strays last), the last place found and how far
// nothing was, so a needle is not looked for again over a stretch already seen.
template<class Source>
std::int64_t nextHit(Source& source,
                     const SearchPrefilter& prefilter,
                     std::vector<PrefilterCursor>& cursors,
                     std::int64_t from,
                     std::int64_t end,
                     Progress& progress)
{
    const auto& needles = prefilter.needles();
    const auto& strays = prefilter.strays();
    std::int64_t position = from;
    while (position < end) {
        const std::int64_t stretchEnd = std::min(end, position + progressInterval);
        const Window window = source.window(position, stretchEnd, end);
        std::int64_t best = -1;
        for (std::size_t i = 0; i <= needles.size(); ++i) {
            if (i == needles.size() && strays.empty())
                break;
            PrefilterCursor& cursor = cursors[i];
            if (cursor.hit < position) {
                const std::int64_t start =
                    cursor.hit < 0 ? std::max(position, cursor.scannedTo) : position;
                if (start >= stretchEnd) {
                    cursor.hit = -1;
                    continue;
                }
                const std::int64_t first = start - window.origin;
                const std::int64_t last = stretchEnd - window.origin;
                const std::int64_t found =
                    i < needles.size()
                        ? SearchPrefilter::findNeedle(window.units, first, last, needles[i])
                        : SearchPrefilter::findAnyUnit(window.units, first, last, strays);
                cursor.hit = found < 0 ? -1 : found + window.origin;
                if (cursor.hit < 0)
                    cursor.scannedTo = stretchEnd;
            }
            if (cursor.hit >= 0 && cursor.hit < stretchEnd && (best < 0 || cursor.hit < best))
                best = cursor.hit;
        }
        if (best >= 0)
            return best;
        position = stretchEnd;
        if (progress.stop && position < end && progress.askAt(position))
            return -1;
    }
    return -1;
}

// The next match at or after from inside the selected range [0, end), found by running the
// matcher on a region around each place the prefilter reports; from moves past what was seen.
template<class Source>
Step nextRegionMatch(Source& source,
                     const SearchPrefilter& prefilter,
                     std::vector<PrefilterCursor>& cursors,
                     icu::RegexMatcher& m,
                     std::int64_t& from,
                     std::int64_t end,
                     SearchMatch& match,
                     Progress& progress)
{
    auto splitsPair = [&](std::int64_t at) {
        return at > 0 && at < end && U16_IS_TRAIL(source.unitAt(at))
               && U16_IS_LEAD(source.unitAt(at - 1));
    };
    while (from < end) {
        const std::int64_t hit = nextHit(source, prefilter, cursors, from, end, progress);
        if (progress.stopped)
            return Step::stopped;
        if (hit < 0)
            return Step::none;

        // Where a match holding this place can begin at the earliest.
        std::int64_t low = prefilter.backReach() != SearchPrefilter::unbounded
                               ? std::max(from, hit - prefilter.backReach())
                               : source.lineStartBefore(hit, from);
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
            high = source.lineEndFrom(hit, end);
        }

        UErrorCode status = U_ZERO_ERROR;
        m.region(low, high, status);
        const bool found = U_SUCCESS(status) && m.find(status) && U_SUCCESS(status);
        if (progress.stopped)
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

// The engine runs only around the places the prefilter reports. Each run is given a region of
// the selected range whose bounds are transparent and not anchoring, so anchors, look-around and
// word boundaries see the whole range as before; the region is chosen so that every match
// beginning in it, up to the reported place, lies inside it. The matcher reads the selected
// range [0, length), which begins at base in the text. visitor(match) (text offsets) returns
// where to go on from, or a negative value to stop.
template<class Source, class Visitor>
Outcome enumeratePrefiltered(Source& source,
                             const SearchPrefilter& prefilter,
                             std::vector<PrefilterCursor>& cursors,
                             icu::RegexMatcher& m,
                             std::int64_t base,
                             std::int64_t length,
                             Visitor&& visitor,
                             const StopCheck* stop)
{
    m.useTransparentBounds(true);
    m.useAnchoringBounds(false);
    Progress progress{stop};
    const ProgressGuard guard(m, progress);
    cursors.assign(prefilter.needles().size() + 1, PrefilterCursor{});

    std::int64_t position = 0;
    SearchMatch match;
    for (;;) {
        const Step step =
            nextRegionMatch(source, prefilter, cursors, m, position, length, match, progress);
        if (step == Step::stopped)
            return Outcome::stopped;
        if (step == Step::none)
            return Outcome::ranOut;
        const std::int64_t next = visitor(SearchMatch{base + match.location, match.length});
        if (next < 0)
            return Outcome::visitorStopped;
        position = std::max(next - base, match.location + match.length);
    }
}

} // namespace EditorCore::ScanRegions
