#include "core/SearchScanner.h"

#include <unicode/regex.h>
#include <unicode/utext.h>

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
    if (path == Path::fastest)
        m_literal = search.plainLiteral();
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

bool SearchScanner::contains(std::int64_t location, std::int64_t length)
{
    clamp(location, length);
    if (m_literal)
        return findCodeUnits(m_text, location, location + length, *m_literal) >= 0;
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
