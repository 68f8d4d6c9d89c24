#include "core/LineEnding.h"

#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace EditorCore {

namespace {

// Set bits of a mask that holds few of them (a block's line breaks), without a library call on a
// processor target that has no population count instruction.
int sparseBitCount(unsigned bits)
{
    int count = 0;
    for (; bits != 0; bits &= bits - 1)
        ++count;
    return count;
}

struct LineEndingRow
{
    LineEnding ending;
    std::string_view rawValue;
    std::u16string_view characters;
};

constexpr std::array<LineEndingRow, 3> lineEndingTable = {{
    {LineEnding::lf, "lf", u"\n"},
    {LineEnding::crlf, "crlf", u"\r\n"},
    {LineEnding::cr, "cr", u"\r"},
}};

const LineEndingRow& rowOf(LineEnding ending)
{
    return lineEndingTable[static_cast<std::size_t>(ending)];
}

} // namespace

std::string_view rawValue(LineEnding ending)
{
    return rowOf(ending).rawValue;
}

std::optional<LineEnding> lineEndingFromRawValue(std::string_view raw)
{
    for (const auto& row : lineEndingTable) {
        if (row.rawValue == raw)
            return row.ending;
    }
    return std::nullopt;
}

std::u16string_view characters(LineEnding ending)
{
    return rowOf(ending).characters;
}

std::ostream& operator<<(std::ostream& out, LineEnding ending)
{
    return out << rawValue(ending);
}

LineEndingSummary::LineEndingSummary(std::u16string_view text)
{
    // A CR is counted as soon as it is seen and taken back when an LF follows it.
    bool previousWasCR = false;
    std::size_t i = 0;
#if defined(__SSE2__)
    // Sixteen units at a time: one bit per unit for LF and one for CR; a pair is a CR bit with
    // the LF bit after it, also across blocks.
    const __m128i lineFeed = _mm_set1_epi16(u'\n');
    const __m128i carriageReturn = _mm_set1_epi16(u'\r');
    const auto* data = text.data();
    for (; text.size() - i >= 16; i += 16) {
        const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
        const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i + 8));
        const auto lfBits = static_cast<unsigned>(_mm_movemask_epi8(
            _mm_packs_epi16(_mm_cmpeq_epi16(low, lineFeed), _mm_cmpeq_epi16(high, lineFeed))));
        const auto crBits = static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi16(
            _mm_cmpeq_epi16(low, carriageReturn), _mm_cmpeq_epi16(high, carriageReturn))));
        if ((lfBits | crBits) == 0) {
            previousWasCR = false;
            continue;
        }
        const std::int64_t pairs =
            sparseBitCount(crBits & (lfBits >> 1)) + ((previousWasCR && (lfBits & 1) != 0) ? 1 : 0);
        crlf += pairs;
        lf += sparseBitCount(lfBits) - pairs;
        cr += sparseBitCount(crBits) - pairs;
        previousWasCR = (crBits & 0x8000u) != 0;
    }
#endif
    for (char16_t unit : text.substr(i)) {
        if (unit > u'\r') {
            previousWasCR = false;
            continue;
        }
        if (unit == u'\n') {
            if (previousWasCR) {
                --cr;
                ++crlf;
            } else {
                ++lf;
            }
            previousWasCR = false;
        } else if (unit == u'\r') {
            ++cr;
            previousWasCR = true;
        } else {
            previousWasCR = false;
        }
    }
    if (!text.empty())
        hasFinalNewline = text.back() == u'\n' || text.back() == u'\r';
}

bool LineEndingSummary::isMixed() const
{
    return (lf > 0 ? 1 : 0) + (crlf > 0 ? 1 : 0) + (cr > 0 ? 1 : 0) > 1;
}

std::optional<LineEnding> LineEndingSummary::dominant() const
{
    if (total() == 0)
        return std::nullopt;
    if (lf >= crlf && lf >= cr)
        return LineEnding::lf;
    if (crlf >= cr)
        return LineEnding::crlf;
    return LineEnding::cr;
}

std::ostream& operator<<(std::ostream& out, const LineEndingSummary& summary)
{
    return out << "{lf " << summary.lf << ", crlf " << summary.crlf << ", cr " << summary.cr
               << (summary.hasFinalNewline ? ", final newline}" : "}");
}

namespace LineEndingConverter {

std::u16string convert(std::u16string_view text, LineEnding ending)
{
    const std::u16string_view target = characters(ending);
    std::u16string result;
    // Room for the text plus one extra unit per break when growing LF or CR to CR LF.
    result.reserve(text.size() + (ending == LineEnding::crlf ? text.size() / 16 + 16 : 0));
    const std::size_t size = text.size();
    std::size_t runStart = 0;
    for (std::size_t i = 0; i < size; ++i) {
        const char16_t unit = text[i];
        if (unit != u'\n' && unit != u'\r')
            continue;
        result.append(text.substr(runStart, i - runStart));
        result.append(target);
        if (unit == u'\r' && i + 1 < size && text[i + 1] == u'\n')
            ++i;
        runStart = i + 1;
    }
    result.append(text.substr(runStart));
    return result;
}

} // namespace LineEndingConverter

} // namespace EditorCore
