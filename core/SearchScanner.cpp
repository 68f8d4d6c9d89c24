#include "core/SearchScanner.h"

#include "core/ScanRegions.h"

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

using ScanRegions::literalStretch;

// The selected range of one string, for the prefilter's walk.
struct StringSource
{
    std::u16string_view range;

    char16_t unitAt(std::int64_t offset) const { return range[static_cast<std::size_t>(offset)]; }
    ScanRegions::Window window(std::int64_t, std::int64_t, std::int64_t) const
    {
        return {range, 0};
    }
    std::int64_t lineStartBefore(std::int64_t hit, std::int64_t from) const
    {
        for (std::int64_t i = hit; i > from; --i) {
            if (isEngineLineBreak(range[static_cast<std::size_t>(i - 1)]))
                return i;
        }
        return from;
    }
    std::int64_t lineEndFrom(std::int64_t hit, std::int64_t end) const
    {
        std::int64_t at = hit;
        while (at < end && !isEngineLineBreak(range[static_cast<std::size_t>(at)]))
            ++at;
        return at;
    }
};

bool sameUnits(const char16_t* a, const char16_t* b, std::size_t count)
{
    return std::memcmp(a, b, count * sizeof(char16_t)) == 0;
}

} // namespace

namespace ScanRegions {
namespace {

UBool U_CALLCONV onFindProgress(const void* context, int64_t position)
{
    return !static_cast<Progress*>(const_cast<void*>(context))->askAt(position);
}

// Called by the engine every so many steps of one match: an expression that backtracks without
// end at one place never moves the find along, so the stop check is asked from here too.
UBool U_CALLCONV onMatchSteps(const void* context, int32_t)
{
    auto* progress = static_cast<Progress*>(const_cast<void*>(context));
    progress->stopped = (*progress->stop)();
    return !progress->stopped;
}

} // namespace

ProgressGuard::ProgressGuard(icu::RegexMatcher& matcher, Progress& progress)
    : m_matcher(matcher)
    , m_on(progress.stop != nullptr)
{
    if (m_on) {
        UErrorCode status = U_ZERO_ERROR;
        m_matcher.setFindProgressCallback(onFindProgress, &progress, status);
        m_matcher.setMatchCallback(onMatchSteps, &progress, status);
    }
}

ProgressGuard::~ProgressGuard()
{
    if (m_on) {
        UErrorCode ignored = U_ZERO_ERROR;
        m_matcher.setFindProgressCallback(nullptr, nullptr, ignored);
        m_matcher.setMatchCallback(nullptr, nullptr, ignored);
    }
}

void clampRange(std::int64_t size, std::int64_t& location, std::int64_t& length)
{
    const std::int64_t start = std::clamp<std::int64_t>(location, 0, size);
    const std::int64_t end =
        std::clamp<std::int64_t>(location + std::max<std::int64_t>(length, 0), start, size);
    location = start;
    length = end - start;
}

icu::RegexMatcher* matcherOf(const CompiledSearch& search,
                             std::unique_ptr<icu::RegexMatcher>& holder)
{
    if (!holder) {
        UErrorCode status = U_ZERO_ERROR;
        holder.reset(search.expression().matcher(status));
        if (U_FAILURE(status))
            holder.reset();
    }
    return holder.get();
}

Outcome runEngine(icu::RegexMatcher& m,
                  std::int64_t base,
                  bool includeZeroLength,
                  const MatchVisitor& visitor,
                  const StopCheck* stop)
{
    Progress progress{stop};
    const ProgressGuard guard(m, progress);
    UErrorCode status = U_ZERO_ERROR;
    while (U_SUCCESS(status) && m.find(status)) {
        const std::int64_t start = m.start64(status);
        const std::int64_t end = m.end64(status);
        if (U_FAILURE(status) || start < 0)
            continue;
        if (end == start && !includeZeroLength)
            continue;
        if (!visitor(SearchMatch{base + start, end - start}))
            return progress.stopped ? Outcome::stopped : Outcome::visitorStopped;
    }
    return progress.stopped ? Outcome::stopped : Outcome::ranOut;
}

} // namespace ScanRegions

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

// The engine's regions let look-behind see past an opaque region start, so the matcher is
// given a text that holds only the range; offsets come back relative to m_base.
// Null only when the engine cannot make a matcher (out of memory): then nothing matches.
icu::RegexMatcher* SearchScanner::select(std::int64_t location, std::int64_t length)
{
    icu::RegexMatcher* m = ScanRegions::matcherOf(m_search, m_matcher);
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
    ScanRegions::clampRange(static_cast<std::int64_t>(m_text.size()), location, length);
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
    return ScanRegions::runEngine(*selected, m_base, includeZeroLength, visitor, stop);
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
        // Matches that begin in [position, position + literalStretch).
        std::int64_t stretchEnd = std::min(end, position + literalStretch + m - 1);
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

SearchScanner::Outcome
SearchScanner::enumeratePrefiltered(std::int64_t location,
                                    std::int64_t length,
                                    const std::function<std::int64_t(const SearchMatch&)>& visitor,
                                    const StopCheck* stop)
{
    icu::RegexMatcher* selected = select(location, length);
    if (!selected)
        return Outcome::ranOut;
    StringSource source{
        m_text.substr(static_cast<std::size_t>(location), static_cast<std::size_t>(length))};
    return ScanRegions::enumeratePrefiltered(
        source, *m_prefilter, m_cursors, *selected, m_base, length, visitor, stop);
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
                                  std::vector<std::optional<SearchMatch>>& groups,
                                  std::optional<std::pair<std::int64_t, std::int64_t>> context)
{
    groups.clear();
    clamp(location, length);
    std::int64_t from = location;
    std::int64_t to = location + length;
    if (context) {
        from = std::clamp<std::int64_t>(context->first, 0, location);
        to = std::clamp<std::int64_t>(context->second, location + length,
                                      static_cast<std::int64_t>(m_text.size()));
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
