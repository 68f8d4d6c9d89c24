#include "core/LineIndexBuilder.h"

#include <algorithm>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace EditorCore {

namespace {

constexpr char16_t lf = 0x000A;
constexpr char16_t cr = 0x000D;
constexpr char16_t nextLine = 0x0085;
// The stretch whose density of breaks predicts the list of starts.
constexpr std::int64_t sampleUnits = 1 << 16;

inline bool isBreakUnit(char16_t unit)
{
    return unit == lf || unit == cr || unit == nextLine || (unit & 0xFFFE) == 0x2028;
}

// Calls `visit(i)` for every break unit of the sixteen units at `p`, in order.
#if defined(__SSE2__)
template<typename Visit>
inline void visitBlock(const std::uint8_t* p, Visit&& visit)
{
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i hits =
        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(static_cast<char>(lf))),
                                  _mm_cmpeq_epi8(v, _mm_set1_epi8(static_cast<char>(cr)))),
                     _mm_cmpeq_epi8(v, _mm_set1_epi8(static_cast<char>(nextLine))));
    auto mask = static_cast<unsigned>(_mm_movemask_epi8(hits));
    while (mask != 0) {
        visit(static_cast<std::size_t>(__builtin_ctz(mask)));
        mask &= mask - 1;
    }
}

template<typename Visit>
inline void visitBlock(const char16_t* p, Visit&& visit)
{
    auto matches = [](__m128i v) {
        const __m128i a = _mm_or_si128(_mm_cmpeq_epi16(v, _mm_set1_epi16(lf)),
                                       _mm_cmpeq_epi16(v, _mm_set1_epi16(cr)));
        const __m128i b = _mm_or_si128(
            _mm_cmpeq_epi16(v, _mm_set1_epi16(nextLine)),
            _mm_cmpeq_epi16(_mm_and_si128(v, _mm_set1_epi16(static_cast<short>(0xFFFE))),
                            _mm_set1_epi16(0x2028)));
        return _mm_or_si128(a, b);
    };
    const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 8));
    auto mask =
        static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi16(matches(low), matches(high))));
    while (mask != 0) {
        visit(static_cast<std::size_t>(__builtin_ctz(mask)));
        mask &= mask - 1;
    }
}
#endif

} // namespace

LineIndexBuilder::LineIndexBuilder(std::int64_t expectedLength)
    : m_expectedLength(std::max<std::int64_t>(expectedLength, 0))
{}

void LineIndexBuilder::append(std::u16string_view piece)
{
    scan(piece.data(), piece.size());
}

void LineIndexBuilder::appendLatin1(std::span<const std::uint8_t> bytes)
{
    scan(bytes.data(), bytes.size());
}

template<typename Unit>
void LineIndexBuilder::scan(const Unit* units, std::size_t size)
{
    if (size == 0)
        return;
    const std::int64_t base = m_length;
    const bool afterPendingCR = m_pendingCR;
    if (m_pendingCR && units[0] != lf) {
        ++m_summary.cr;
        m_starts.push_back(base);
    }
    m_pendingCR = false;

    auto visit = [&](std::size_t i) {
        const char16_t unit = units[i];
        if (unit == lf) {
            const bool afterCR = i > 0 ? units[i - 1] == cr : afterPendingCR;
            ++(afterCR ? m_summary.crlf : m_summary.lf);
        } else if (unit == cr) {
            // Its break is known only with the unit after it, perhaps in the next piece.
            if (i + 1 == size) {
                m_pendingCR = true;
                return;
            }
            if (units[i + 1] == lf)
                return;
            ++m_summary.cr;
        }
        m_starts.push_back(base + static_cast<std::int64_t>(i) + 1);
    };

    std::size_t p = 0;
    while (p < size) {
        // The first stretch is scanned alone, so that its breaks can size the list.
        std::size_t end = size;
        if (!m_reserved && m_expectedLength > sampleUnits) {
            const std::int64_t seen = base + static_cast<std::int64_t>(p);
            end = seen < sampleUnits
                      ? std::min(size, p + static_cast<std::size_t>(sampleUnits - seen))
                      : p;
            if (end == p) {
                reserveFromSample();
                end = size;
            }
        }
#if defined(__SSE2__)
        for (; p + 16 <= end; p += 16)
            visitBlock(units + p, [&](std::size_t i) { visit(p + i); });
#endif
        for (; p < end; ++p) {
            if (isBreakUnit(units[p]))
                visit(p);
        }
    }
    m_length += static_cast<std::int64_t>(size);
    m_last = units[size - 1];
}

void LineIndexBuilder::reserveFromSample()
{
    m_reserved = true;
    // As the index of a whole text does: what the density of the first stretch predicts,
    // capped so that a dense beginning cannot claim several times the text's memory.
    const auto expected = static_cast<std::size_t>(m_expectedLength);
    const std::size_t predicted =
        m_starts.size() * (expected / static_cast<std::size_t>(sampleUnits) + 1);
    m_starts.reserve(std::min(predicted + predicted / 8, expected / 16) + 16);
}

LineIndexBuilder::Result LineIndexBuilder::finish()
{
    if (m_pendingCR) {
        ++m_summary.cr;
        m_starts.push_back(m_length);
    }
    m_summary.hasFinalNewline = m_length > 0 && (m_last == lf || m_last == cr);
    Result result;
    result.lines.m_starts = std::exchange(m_starts, {0});
    result.lines.m_length = m_length;
    result.lines.m_seam = result.lines.m_starts.size();
    result.lineEndings = std::exchange(m_summary, {});
    m_length = 0;
    m_reserved = false;
    m_pendingCR = false;
    m_last = 0;
    return result;
}

} // namespace EditorCore
