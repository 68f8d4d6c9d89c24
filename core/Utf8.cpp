#include "core/Utf8.h"

#include <array>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace EditorCore::Utf8 {
namespace {

// The well-formed sequences of the Unicode standard (table 3-7): how many continuation bytes
// follow a lead byte and the range of the first of them; the others are always 80..BF.
struct LeadByte
{
    int trailing = -1; // -1: not a lead byte
    std::uint8_t low = 0x80;
    std::uint8_t high = 0xBF;
};

constexpr LeadByte leadByte(std::uint8_t b)
{
    if (b < 0xC2)
        return {};
    if (b < 0xE0)
        return {1, 0x80, 0xBF};
    if (b == 0xE0)
        return {2, 0xA0, 0xBF};
    if (b == 0xED)
        return {2, 0x80, 0x9F};
    if (b < 0xF0)
        return {2, 0x80, 0xBF};
    if (b == 0xF0)
        return {3, 0x90, 0xBF};
    if (b < 0xF4)
        return {3, 0x80, 0xBF};
    if (b == 0xF4)
        return {3, 0x80, 0x8F};
    return {};
}

constexpr bool isContinuation(std::uint8_t b)
{
    return (b & 0xC0) == 0x80;
}

// Decodes the non-ASCII sequence at `p` into `out` (one or two units). Returns the bytes read,
// 0 when the sequence is ill-formed.
inline std::size_t
decodeSequence(const std::uint8_t* p, const std::uint8_t* end, char16_t* out, std::size_t& units)
{
    const LeadByte lead = leadByte(p[0]);
    const auto length = static_cast<std::size_t>(lead.trailing + 1);
    if (lead.trailing < 0 || static_cast<std::size_t>(end - p) < length)
        return 0;
    if (p[1] < lead.low || p[1] > lead.high)
        return 0;
    switch (lead.trailing) {
    case 1:
        out[0] = static_cast<char16_t>(((p[0] & 0x1F) << 6) | (p[1] & 0x3F));
        units = 1;
        return 2;
    case 2:
        if (!isContinuation(p[2]))
            return 0;
        out[0] =
            static_cast<char16_t>(((p[0] & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F));
        units = 1;
        return 3;
    default: {
        if (!isContinuation(p[2]) || !isContinuation(p[3]))
            return 0;
        const char32_t scalar = ((p[0] & 0x07u) << 18) | ((p[1] & 0x3Fu) << 12)
                                | ((p[2] & 0x3Fu) << 6) | (p[3] & 0x3Fu);
        out[0] = static_cast<char16_t>(0xD7C0 + (scalar >> 10));
        out[1] = static_cast<char16_t>(0xDC00 | (scalar & 0x3FF));
        units = 2;
        return 4;
    }
    }
}

constexpr std::size_t chunkUnits = 16384;
// Room kept free in the chunk for one block of sixteen units and sixteen characters.
constexpr std::size_t chunkReserve = 64;

} // namespace

bool decodeStrict(std::span<const std::uint8_t> bytes, std::u16string& text)
{
    // Never more units than bytes. The capacity beyond the final size costs address space
    // only: pages of a large allocation are not touched until written.
    text.reserve(text.size() + bytes.size());
    std::array<char16_t, chunkUnits> chunk;
    std::size_t fill = 0;
    const std::uint8_t* p = bytes.data();
    const std::uint8_t* const end = p + bytes.size();
    while (p < end) {
        if (fill > chunkUnits - chunkReserve) {
            text.append(chunk.data(), fill);
            fill = 0;
        }
        if (end - p >= 16) {
#if defined(__SSE2__)
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            const __m128i zero = _mm_setzero_si128();
            _mm_storeu_si128(reinterpret_cast<__m128i*>(chunk.data() + fill),
                             _mm_unpacklo_epi8(block, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(chunk.data() + fill + 8),
                             _mm_unpackhi_epi8(block, zero));
            const auto highBits = static_cast<unsigned>(_mm_movemask_epi8(block));
            const std::size_t ascii = highBits == 0 ? 16 : std::size_t(__builtin_ctz(highBits));
#else
            std::size_t ascii = 0;
            while (ascii < 16 && p[ascii] < 0x80) {
                chunk[fill + ascii] = p[ascii];
                ++ascii;
            }
#endif
            fill += ascii;
            p += ascii;
            if (ascii == 16)
                continue;
        }
        // A stretch of characters one at a time before looking for ASCII blocks again, so that
        // text of few ASCII characters does not pay for a block test per character.
        for (int n = 0; n < 16 && p < end; ++n) {
            if (*p < 0x80) {
                chunk[fill++] = *p++;
                continue;
            }
            std::size_t units = 0;
            const std::size_t read = decodeSequence(p, end, chunk.data() + fill, units);
            if (read == 0)
                return false;
            p += read;
            fill += units;
        }
    }
    text.append(chunk.data(), fill);
    return true;
}

bool encodeStrict(std::u16string_view text, std::vector<std::uint8_t>& bytes)
{
    bytes.reserve(bytes.size() + text.size());
    const std::size_t count = text.size();
    for (std::size_t i = 0; i < count; ++i) {
        const char16_t unit = text[i];
        if (unit < 0x80) {
            // A run of ASCII is narrowed in one go, many units at a time: the common text of a
            // log or source file, written from chunks that hold it widened.
            std::size_t end = i + 1;
            while (end < count && text[end] < 0x80)
                ++end;
            const std::size_t at = bytes.size();
            bytes.resize(at + (end - i));
            std::uint8_t* out = bytes.data() + at;
            for (std::size_t k = i; k < end; ++k)
                *out++ = static_cast<std::uint8_t>(text[k]);
            i = end - 1;
        } else if (unit < 0x800) {
            bytes.push_back(static_cast<std::uint8_t>(0xC0 | (unit >> 6)));
            bytes.push_back(static_cast<std::uint8_t>(0x80 | (unit & 0x3F)));
        } else if (unit < 0xD800 || unit > 0xDFFF) {
            bytes.push_back(static_cast<std::uint8_t>(0xE0 | (unit >> 12)));
            bytes.push_back(static_cast<std::uint8_t>(0x80 | ((unit >> 6) & 0x3F)));
            bytes.push_back(static_cast<std::uint8_t>(0x80 | (unit & 0x3F)));
        } else {
            if (unit > 0xDBFF || i + 1 == count || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF)
                return false;
            const char32_t scalar =
                0x10000 + ((char32_t(unit) - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00);
            ++i;
            bytes.push_back(static_cast<std::uint8_t>(0xF0 | (scalar >> 18)));
            bytes.push_back(static_cast<std::uint8_t>(0x80 | ((scalar >> 12) & 0x3F)));
            bytes.push_back(static_cast<std::uint8_t>(0x80 | ((scalar >> 6) & 0x3F)));
            bytes.push_back(static_cast<std::uint8_t>(0x80 | (scalar & 0x3F)));
        }
    }
    return true;
}

LossyCounts countLossy(std::span<const std::uint8_t> bytes)
{
    LossyCounts counts;
    const std::uint8_t* p = bytes.data();
    const std::uint8_t* const end = p + bytes.size();
    while (p < end) {
        if (*p < 0x80) {
            ++p;
            continue;
        }
        ++counts.nonASCII;
        const LeadByte lead = leadByte(*p);
        if (lead.trailing < 0) {
            ++counts.replacements;
            ++p;
            continue;
        }
        // The maximal subpart: the lead byte and every continuation byte that still fits a
        // well-formed sequence; one replacement stands for all of it.
        const std::uint8_t* q = p + 1;
        bool wellFormed = true;
        for (int k = 0; k < lead.trailing; ++k, ++q) {
            const std::uint8_t low = k == 0 ? lead.low : 0x80;
            const std::uint8_t high = k == 0 ? lead.high : 0xBF;
            if (q == end || *q < low || *q > high) {
                wellFormed = false;
                break;
            }
        }
        if (!wellFormed || (p[0] == 0xEF && p[1] == 0xBF && p[2] == 0xBD))
            ++counts.replacements;
        p = q;
    }
    return counts;
}

} // namespace EditorCore::Utf8
