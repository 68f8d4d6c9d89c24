#include "core/LineIndex.h"

#include "core/ChunkedText.h"

#include <algorithm>
#include <cstddef>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace EditorCore {

namespace {

constexpr std::size_t blockUnits = 4096;
constexpr std::size_t sampleUnits = 16 * blockUnits;

constexpr char16_t lf = 0x000A;
constexpr char16_t cr = 0x000D;
constexpr char16_t nextLine = 0x0085;

inline bool isBreakUnit(char16_t unit)
{
    return unit == lf || unit == cr || unit == nextLine || (unit & 0xFFFE) == 0x2028;
}

// Appends p + 1 for each break ending at unit p of [from, end). A CR looks at the unit after
// it in the whole text, also past `end`, so that a CR LF split by the stretch is one break.
inline void
appendBreakAt(const char16_t* data, std::size_t size, std::size_t p, std::vector<std::int64_t>& out)
{
    if (data[p] == cr && p + 1 < size && data[p + 1] == lf)
        return;
    out.push_back(static_cast<std::int64_t>(p) + 1);
}

void scanBreaks(std::u16string_view text,
                std::size_t from,
                std::size_t end,
                std::vector<std::int64_t>& out)
{
    const char16_t* data = text.data();
    const std::size_t size = text.size();
    end = std::min(end, size);
    for (std::size_t blockStart = from; blockStart < end; blockStart += blockUnits) {
        const std::size_t blockEnd = std::min(blockStart + blockUnits, end);
        std::size_t p = blockStart;
#if defined(__SSE2__)
        // Breaks are rare: test 16 units at a time and visit only the units that match.
        const __m128i vLF = _mm_set1_epi16(lf);
        const __m128i vCR = _mm_set1_epi16(cr);
        const __m128i vNEL = _mm_set1_epi16(nextLine);
        const __m128i vSeparator = _mm_set1_epi16(0x2028);
        const __m128i vSeparatorMask = _mm_set1_epi16(static_cast<short>(0xFFFE));
        auto matches = [&](__m128i v) {
            const __m128i a = _mm_or_si128(_mm_cmpeq_epi16(v, vLF), _mm_cmpeq_epi16(v, vCR));
            const __m128i b =
                _mm_or_si128(_mm_cmpeq_epi16(v, vNEL),
                             _mm_cmpeq_epi16(_mm_and_si128(v, vSeparatorMask), vSeparator));
            return _mm_or_si128(a, b);
        };
        for (; p + 16 <= blockEnd; p += 16) {
            const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + p));
            const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + p + 8));
            auto mask = static_cast<unsigned>(
                _mm_movemask_epi8(_mm_packs_epi16(matches(low), matches(high))));
            while (mask != 0) {
                appendBreakAt(data, size, p + static_cast<std::size_t>(__builtin_ctz(mask)), out);
                mask &= mask - 1;
            }
        }
#endif
        for (; p < blockEnd; ++p) {
            if (isBreakUnit(data[p]))
                appendBreakAt(data, size, p, out);
        }
    }
}

} // namespace

LineIndex::LineIndex(std::u16string_view text)
    : m_length(static_cast<std::int64_t>(text.size()))
{
    // Growing the list of a large text costs more than its scan (fresh pages, copies), so
    // reserve what the density of breaks in the first stretch predicts, capped so that a dense
    // beginning cannot claim several times the text's memory.
    const std::size_t size = text.size();
    const std::size_t sample = std::min(size, sampleUnits);
    scanBreaks(text, 0, sample, m_starts);
    if (sample < size) {
        const std::size_t predicted = m_starts.size() * (size / sample + 1);
        m_starts.reserve(std::min(predicted + predicted / 8, size / 16) + 16);
        scanBreaks(text, sample, size, m_starts);
    }
    m_seam = m_starts.size();
}

LineIndex::LineIndex(const TextSnapshot& text)
    : m_length(text.length())
{
    m_starts.reserve(static_cast<std::size_t>(text.lineCount()));
    std::int64_t pieceStart = 0;
    std::vector<std::int64_t> breaks;
    text.visit(0, text.length(), [&](std::u16string_view piece) {
        breaks.clear();
        scanBreaks(piece, 0, piece.size(), breaks);
        for (const std::int64_t end : breaks)
            m_starts.push_back(pieceStart + end);
        pieceStart += static_cast<std::int64_t>(piece.size());
        return true;
    });
    m_seam = m_starts.size();
}

LineEndingSummary LineIndex::lineEndings(std::u16string_view text) const
{
    LineEndingSummary summary;
    const std::size_t size = text.size();
    // Each start after the first follows a break, whose last unit is the one before it.
    for (std::size_t i = 1; i < m_starts.size(); ++i) {
        const auto end = static_cast<std::size_t>(startAt(i));
        if (end == 0 || end > size)
            continue;
        const char16_t last = text[end - 1];
        if (last == lf) {
            if (end >= 2 && text[end - 2] == cr)
                ++summary.crlf;
            else
                ++summary.lf;
        } else if (last == cr) {
            ++summary.cr;
        }
    }
    if (size > 0)
        summary.hasFinalNewline = text.back() == lf || text.back() == cr;
    return summary;
}

const std::vector<std::int64_t>& LineIndex::starts() const
{
    moveSeam(m_starts.size());
    return m_starts;
}

bool LineIndex::operator==(const LineIndex& other) const
{
    return m_length == other.m_length && starts() == other.starts();
}

std::size_t LineIndex::firstAfter(std::int64_t offset) const
{
    // Both sides of the seam are sorted, and so is the whole with the shift applied.
    const auto seam = m_starts.begin() + static_cast<std::ptrdiff_t>(m_seam);
    if (m_seam > 0 && m_starts[m_seam - 1] > offset)
        return static_cast<std::size_t>(std::upper_bound(m_starts.begin(), seam, offset)
                                        - m_starts.begin());
    return static_cast<std::size_t>(std::upper_bound(seam, m_starts.end(), offset - m_shift)
                                    - m_starts.begin());
}

void LineIndex::moveSeam(std::size_t index) const
{
    index = std::min(index, m_starts.size());
    if (m_shift == 0) {
        m_seam = index;
        return;
    }
    for (std::size_t i = m_seam; i < index; ++i)
        m_starts[i] += m_shift;
    for (std::size_t i = index; i < m_seam; ++i)
        m_starts[i] -= m_shift;
    m_seam = index;
    if (m_seam == m_starts.size())
        m_shift = 0;
}

std::int64_t LineIndex::lineNumber(std::int64_t offset) const
{
    return std::max<std::int64_t>(static_cast<std::int64_t>(firstAfter(offset)), 1);
}

std::int64_t LineIndex::lineStart(std::int64_t line) const
{
    const std::int64_t clamped = std::clamp<std::int64_t>(line, 1, lineCount());
    return startAt(static_cast<std::size_t>(clamped - 1));
}

std::int64_t LineIndex::contentLineCount() const
{
    if (m_length < 1)
        return 0;
    if (m_starts.size() < 2)
        return lineCount();
    return lineCount() - (startAt(m_starts.size() - 1) == m_length ? 1 : 0);
}

LineIndex::Range LineIndex::contentRange(std::int64_t line, std::u16string_view text) const
{
    const auto textLength = static_cast<std::int64_t>(text.size());
    if (line < 0 || line >= lineCount())
        return {textLength, 0};
    const auto index = static_cast<std::size_t>(line);
    // A text other than the indexed one must not yield a range outside itself.
    const std::int64_t start = std::min(startAt(index), textLength);
    std::int64_t end = index + 1 < m_starts.size() ? startAt(index + 1) : textLength;
    end = std::min(end, textLength);
    while (end > start && isBreakUnit(text[static_cast<std::size_t>(end - 1)]))
        --end;
    return {start, std::max<std::int64_t>(end - start, 0)};
}

LineIndex::Range
LineIndex::updateStretch(std::int64_t location, std::int64_t newLength, std::int64_t textLength)
{
    // The edit widened by one unit each side, and one more after it for a CR's LF.
    const std::int64_t start = std::clamp<std::int64_t>(location - 1, 0, textLength);
    const std::int64_t end = std::clamp<std::int64_t>(location + newLength + 2, start, textLength);
    return {start, end - start};
}

void LineIndex::update(std::int64_t location,
                       std::int64_t oldLength,
                       std::int64_t newLength,
                       std::u16string_view text)
{
    const auto textLength = static_cast<std::int64_t>(text.size());
    const Range stretch = updateStretch(location, newLength, textLength);
    update(location,
           oldLength,
           newLength,
           textLength,
           text.substr(static_cast<std::size_t>(stretch.location),
                       static_cast<std::size_t>(stretch.length)));
}

void LineIndex::update(std::int64_t location,
                       std::int64_t oldLength,
                       std::int64_t newLength,
                       std::int64_t textLength,
                       std::u16string_view stretch)
{
    const std::int64_t delta = newLength - oldLength;
    const std::int64_t scanStart = std::max<std::int64_t>(location - 1, 0);
    const std::int64_t scanEnd = std::min(location + newLength + 1, textLength);

    const std::size_t first = firstAfter(scanStart);
    const std::size_t last = std::max(first, firstAfter(location + oldLength + 1));

    std::vector<std::int64_t> rescanned;
    if (scanEnd > scanStart) {
        // The stretch starts at scanStart; its breaks come back relative to it.
        scanBreaks(stretch, 0, static_cast<std::size_t>(scanEnd - scanStart), rescanned);
        for (auto& start : rescanned)
            start += scanStart;
    }

    // The old starts from `last` on, once shifted, that lie past the rescanned stretch; they
    // are increasing, so those at or before it form a prefix.
    std::size_t keptFrom = last;
    while (keptFrom < m_starts.size() && startAt(keptFrom) + delta <= scanEnd)
        ++keptFrom;

    // The kept starts move by delta: with the seam at them, that is one addition to the shift.
    moveSeam(keptFrom);
    m_shift += delta;
    const std::size_t removed = keptFrom - first;
    const std::size_t inserted = rescanned.size();
    if (inserted > removed) {
        m_starts.insert(
            m_starts.begin() + static_cast<std::ptrdiff_t>(keptFrom), inserted - removed, 0);
    } else if (removed > inserted) {
        m_starts.erase(m_starts.begin() + static_cast<std::ptrdiff_t>(first + inserted),
                       m_starts.begin() + static_cast<std::ptrdiff_t>(keptFrom));
    }
    std::copy(
        rescanned.begin(), rescanned.end(), m_starts.begin() + static_cast<std::ptrdiff_t>(first));
    m_seam = first + inserted;
    if (m_seam == m_starts.size())
        m_shift = 0;

    // Edit arguments that do not describe the text could break the order where the new starts
    // meet the old ones; keep it strict there.
    while (m_seam > 0 && m_seam < m_starts.size() && startAt(m_seam) <= startAt(m_seam - 1))
        m_starts.erase(m_starts.begin() + static_cast<std::ptrdiff_t>(m_seam));
    while (first > 0 && first < m_seam && m_starts[first] <= m_starts[first - 1]) {
        m_starts.erase(m_starts.begin() + static_cast<std::ptrdiff_t>(first));
        --m_seam;
    }
    if (m_seam >= m_starts.size()) {
        m_seam = m_starts.size();
        m_shift = 0;
    }
    m_length = textLength;
}

std::ostream& operator<<(std::ostream& out, const LineIndex& index)
{
    out << "{starts [";
    const char* separator = "";
    for (std::int64_t start : index.starts()) {
        out << separator << start;
        separator = ", ";
    }
    return out << "], length " << index.length() << "}";
}

std::ostream& operator<<(std::ostream& out, const LineIndex::Range& range)
{
    return out << "(" << range.location << ", " << range.length << ")";
}

} // namespace EditorCore
