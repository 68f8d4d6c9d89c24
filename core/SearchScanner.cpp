#include "core/SearchScanner.h"

#include <unicode/regex.h>
#include <unicode/utext.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace EditorCore {
namespace {

// How many positions the engine may scan without a match between two questions to the stop
// check. The engine reports progress at about every position; asking only every so often
// keeps a check through std::function from costing as much as the scan itself.
constexpr std::int64_t progressInterval = 1024;
// The literal search asks the stop check after each stretch of this many positions.
constexpr std::int64_t literalChunk = 1 << 16;

struct ProgressContext
{
    const StopCheck* stop = nullptr;
    // The position at which to ask next; during one scan the engine's positions only grow.
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

bool sameUnits(const char16_t* a, const char16_t* b, std::size_t count)
{
    return std::memcmp(a, b, count * sizeof(char16_t)) == 0;
}

} // namespace

std::int64_t findCodeUnits(std::u16string_view text,
                           std::int64_t from,
                           std::int64_t to,
                           std::u16string_view needle)
{
    const auto m = static_cast<std::int64_t>(needle.size());
    to = std::min<std::int64_t>(to, static_cast<std::int64_t>(text.size()));
    from = std::max<std::int64_t>(from, 0);
    if (m == 0 || to - from < m)
        return -1;
    const char16_t* hay = text.data();
    const char16_t first = needle.front();
    const char16_t last = needle.back();
    const std::int64_t lastStart = to - m; // the last position where a match can begin
    std::int64_t i = from;
#if defined(__SSE2__)
    // Compare eight positions at once on the needle's first and last unit; only where both
    // agree is the middle compared.
    const __m128i firstUnits = _mm_set1_epi16(static_cast<short>(first));
    const __m128i lastUnits = _mm_set1_epi16(static_cast<short>(last));
    for (; i + 7 <= lastStart; i += 8) {
        __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(hay + i));
        __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(hay + i + m - 1));
        __m128i both = _mm_and_si128(_mm_cmpeq_epi16(a, firstUnits), _mm_cmpeq_epi16(b, lastUnits));
        unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(both));
        while (mask != 0) {
            int bit = __builtin_ctz(mask);
            std::int64_t at = i + bit / 2;
            if (m <= 2
                || sameUnits(hay + at + 1, needle.data() + 1, static_cast<std::size_t>(m - 2)))
                return at;
            mask &= ~(3u << bit);
        }
    }
#endif
    for (; i <= lastStart; ++i) {
        if (hay[i] == first && hay[i + m - 1] == last
            && (m <= 2
                || sameUnits(hay + i + 1, needle.data() + 1, static_cast<std::size_t>(m - 2))))
            return i;
    }
    return -1;
}

SearchScanner::SearchScanner(const CompiledSearch& search, std::u16string_view text, Path path)
    : m_search(search)
    , m_text(text)
{
    if (path == Path::fastest) {
        m_literal = search.plainLiteral();
        if (!m_literal)
            m_prefilter = search.prefilter();
    }
}

bool SearchScanner::staysWithinLines() const
{
    if (m_literal) {
        return std::none_of(
            m_literal->begin(), m_literal->end(), [](char16_t c) { return isEngineLineBreak(c); });
    }
    return m_prefilter && m_prefilter->staysWithinLines();
}

SearchScanner::~SearchScanner()
{
    m_matcher.reset();
    if (m_utext)
        utext_close(m_utext);
}

icu::RegexMatcher* SearchScanner::matcher()
{
    if (!m_matcher) {
        UErrorCode status = U_ZERO_ERROR;
        m_matcher.reset(m_search.expression().matcher(status));
        if (U_FAILURE(status))
            m_matcher.reset();
    }
    return m_matcher.get();
}

// The engine's regions let look-behind see past an opaque region start, so the matcher is
// given a text that holds only the range; offsets come back relative to m_base.
// Null only when the engine cannot make a matcher (out of memory): then nothing matches.
icu::RegexMatcher* SearchScanner::select(std::int64_t location, std::int64_t length)
{
    icu::RegexMatcher* m = matcher();
    if (!m)
        return nullptr;
    UErrorCode status = U_ZERO_ERROR;
    UText* text = utext_openUChars(m_utext, m_text.data() + location, length, &status);
    if (U_FAILURE(status) || !text)
        return nullptr;
    m_utext = text;
    m->reset(m_utext);
    m_base = location;
    return m;
}

void SearchScanner::clamp(std::int64_t& location, std::int64_t& length) const
{
    const auto size = static_cast<std::int64_t>(m_text.size());
    std::int64_t start = std::clamp<std::int64_t>(location, 0, size);
    std::int64_t end =
        std::clamp<std::int64_t>(location + std::max<std::int64_t>(length, 0), start, size);
    location = start;
    length = end - start;
}

SearchScanner::Outcome SearchScanner::enumerate(std::int64_t location,
                                                std::int64_t length,
                                                bool includeZeroLength,
                                                const MatchVisitor& visitor,
                                                const StopCheck* stop)
{
    clamp(location, length);
    if (m_literal)
        return enumerateLiteral(location, location + length, visitor, stop);
    if (m_prefilter) {
        return enumeratePrefiltered(
            location,
            length,
            [&](const SearchMatch& match) {
                return visitor(match) ? match.location + match.length : std::int64_t{-1};
            },
            stop);
    }

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
        std::int64_t start = m.start64(status);
        std::int64_t end = m.end64(status);
        if (U_FAILURE(status) || start < 0)
            continue;
        if (end == start && !includeZeroLength)
            continue;
        if (!visitor(SearchMatch{m_base + start, end - start})) {
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

SearchScanner::Outcome SearchScanner::enumerateLiteral(std::int64_t start,
                                                       std::int64_t end,
                                                       const MatchVisitor& visitor,
                                                       const StopCheck* stop)
{
    const std::u16string_view needle = *m_literal;
    const auto m = static_cast<std::int64_t>(needle.size());
    std::int64_t position = start;
    while (end - position >= m) {
        // Matches that begin in [position, position + literalChunk).
        std::int64_t stretchEnd = std::min(end, position + literalChunk + m - 1);
        std::int64_t found = findCodeUnits(m_text, position, stretchEnd, needle);
        if (found < 0) {
            if (stretchEnd == end)
                break;
            position = stretchEnd - m + 1;
            if (stop && (*stop)())
                return Outcome::stopped;
            continue;
        }
        if (!visitor(SearchMatch{found, m}))
            return Outcome::visitorStopped;
        position = found + m;
    }
    return Outcome::ranOut;
}

SearchScanner::Outcome
SearchScanner::enumerateByLines(std::int64_t location,
                                std::int64_t length,
                                const std::function<std::int64_t(const SearchMatch&)>& visitor,
                                const StopCheck* stop)
{
    clamp(location, length);
    if (m_prefilter)
        return enumeratePrefiltered(location, length, visitor, stop);
    if (m_literal) {
        const std::int64_t end = location + length;
        std::int64_t position = location;
        while (position < end) {
            std::optional<SearchMatch> found;
            auto outcome = enumerateLiteral(
                position,
                end,
                [&](const SearchMatch& match) {
                    found = match;
                    return false;
                },
                stop);
            if (outcome == Outcome::stopped)
                return outcome;
            if (!found)
                break;
            const std::int64_t next = visitor(*found);
            if (next < 0)
                return Outcome::visitorStopped;
            position = std::max(next, found->location + found->length);
        }
        return Outcome::ranOut;
    }
    // The engine alone: every match is found, the visitor sees the first from each position.
    std::int64_t resume = location;
    return enumerate(
        location,
        length,
        true,
        [&](const SearchMatch& match) {
            if (match.location < resume)
                return true;
            resume = visitor(match);
            return resume >= 0;
        },
        stop);
}

// The engine runs only around the places the prefilter reports. Each run is given a region of
// the selected range whose bounds are transparent and not anchoring, so anchors, look-around and
// word boundaries see the whole range as before; the region is chosen so that every match
// beginning in it, up to the reported place, lies inside it.
SearchScanner::Outcome
SearchScanner::enumeratePrefiltered(std::int64_t location,
                                    std::int64_t length,
                                    const std::function<std::int64_t(const SearchMatch&)>& visitor,
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
        Step step = nextPrefiltered(position, length, match, &progress);
        if (step == Step::stopped) {
            outcome = Outcome::stopped;
            break;
        }
        if (step == Step::none)
            break;
        const std::int64_t next = visitor(SearchMatch{m_base + match.location, match.length});
        if (next < 0) {
            outcome = Outcome::visitorStopped;
            break;
        }
        position = std::max(next - m_base, match.location + match.length);
    }
    if (stop) {
        UErrorCode ignored = U_ZERO_ERROR;
        m.setFindProgressCallback(nullptr, nullptr, ignored);
    }
    return outcome;
}

std::int64_t
SearchScanner::nextHit(std::int64_t from, std::int64_t end, void* context, bool& stopped)
{
    auto* progress = static_cast<ProgressContext*>(context);
    const std::u16string_view range =
        m_text.substr(static_cast<std::size_t>(m_base), static_cast<std::size_t>(end));
    const auto& needles = m_prefilter->needles();
    const auto& strays = m_prefilter->strays();
    std::int64_t position = from;
    while (position < end) {
        const std::int64_t stretchEnd = std::min(end, position + progressInterval);
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
                cursor.hit = i < needles.size()
                                 ? SearchPrefilter::findNeedle(range, start, stretchEnd, needles[i])
                                 : SearchPrefilter::findAnyUnit(range, start, stretchEnd, strays);
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

SearchScanner::Step SearchScanner::nextPrefiltered(std::int64_t& from,
                                                   std::int64_t end,
                                                   SearchMatch& match,
                                                   void* context)
{
    auto* progress = static_cast<ProgressContext*>(context);
    const char16_t* units = m_text.data() + m_base;
    auto splitsPair = [&](std::int64_t at) {
        return at > 0 && at < end && U16_IS_TRAIL(units[at]) && U16_IS_LEAD(units[at - 1]);
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
        std::int64_t low = from;
        if (prefilter.backReach() != SearchPrefilter::unbounded) {
            low = std::max(from, hit - prefilter.backReach());
        } else {
            for (std::int64_t i = hit; i > from; --i) {
                if (isEngineLineBreak(units[i - 1])) {
                    low = i;
                    break;
                }
            }
        }
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
            high = hit;
            while (high < end && !isEngineLineBreak(units[high]))
                ++high;
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

bool SearchScanner::contains(std::int64_t location, std::int64_t length)
{
    clamp(location, length);
    if (m_literal)
        return findCodeUnits(m_text, location, location + length, *m_literal) >= 0;
    if (m_prefilter) {
        bool any = false;
        (void)enumerate(location, length, true, [&](const SearchMatch&) {
            any = true;
            return false;
        });
        return any;
    }
    icu::RegexMatcher* m = select(location, length);
    UErrorCode status = U_ZERO_ERROR;
    return m && m->find(status) && U_SUCCESS(status);
}

bool SearchScanner::matchAnchored(std::int64_t location,
                                  std::int64_t length,
                                  std::vector<std::optional<SearchMatch>>& groups)
{
    groups.clear();
    clamp(location, length);
    icu::RegexMatcher* m = select(location, length);
    UErrorCode status = U_ZERO_ERROR;
    if (!m || !m->lookingAt(status) || U_FAILURE(status))
        return false;
    currentGroups(groups);
    return true;
}

void SearchScanner::currentGroups(std::vector<std::optional<SearchMatch>>& groups)
{
    groups.clear();
    if (!m_matcher)
        return;
    icu::RegexMatcher& m = *m_matcher;
    UErrorCode status = U_ZERO_ERROR;
    const int32_t count = m.groupCount();
    groups.reserve(static_cast<std::size_t>(count) + 1);
    for (int32_t g = 0; g <= count; ++g) {
        std::int64_t start = m.start64(g, status);
        std::int64_t end = m.end64(g, status);
        if (U_FAILURE(status) || start < 0)
            groups.emplace_back(std::nullopt);
        else
            groups.emplace_back(SearchMatch{m_base + start, end - start});
    }
}

} // namespace EditorCore
