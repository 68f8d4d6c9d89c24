#include "core/DoubleByteTable.h"

#include "core/IcuConverter.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace EditorCore {
namespace {

constexpr std::size_t chunkUnits = 16384;
// Room kept free in the chunk for one block of sixteen units and sixteen characters.
constexpr std::size_t chunkReserve = 64;

} // namespace

const DoubleByteTable* DoubleByteTable::forEncoding(TextEncoding encoding)
{
    auto usable = [](const DoubleByteTable& table) { return table.isValid() ? &table : nullptr; };
    switch (encoding) {
    case TextEncoding::cp949: {
        static const DoubleByteTable table(icuConverterName(TextEncoding::cp949));
        return usable(table);
    }
    case TextEncoding::eucKR: {
        static const DoubleByteTable table(icuConverterName(TextEncoding::eucKR));
        return usable(table);
    }
    case TextEncoding::shiftJIS: {
        static const DoubleByteTable table(icuConverterName(TextEncoding::shiftJIS));
        return usable(table);
    }
    case TextEncoding::big5: {
        static const DoubleByteTable table(icuConverterName(TextEncoding::big5));
        return usable(table);
    }
    default:
        // euc-jp has three-byte characters, gb18030 four-byte ones; the others are not
        // double-byte encodings.
        return nullptr;
    }
}

DoubleByteTable::DoubleByteTable(const char* converterName)
    : m_pairs(65536, u'\0')
{
    auto converter = IcuConverter::open(converterName);
    if (!converter)
        return;
    const bool isWindows31j = std::string_view(converterName) == "windows-31j";
    std::u16string text;
    for (unsigned lead = 0; lead < 256; ++lead) {
        const std::uint8_t one[] = {static_cast<std::uint8_t>(lead)};
        text.clear();
        if (converter->decode(one, text)) {
            if (text.size() != 1)
                return;
            m_kinds[lead] = Kind::single;
            m_singles[lead] = isWindows31j ? fromWindows31jControl(text[0]) : text[0];
            continue;
        }
        bool hasPairs = false;
        for (unsigned trail = 0; trail < 256; ++trail) {
            const std::uint8_t two[] = {static_cast<std::uint8_t>(lead),
                                        static_cast<std::uint8_t>(trail)};
            text.clear();
            if (!converter->decode(two, text))
                continue;
            if (text.size() != 1 || text[0] == u'\0')
                return;
            m_pairs[lead << 8 | trail] = text[0];
            hasPairs = true;
        }
        m_kinds[lead] = hasPairs ? Kind::lead : Kind::invalid;
    }
    // The decoder widens ASCII sixteen bytes at a time.
    for (unsigned b = 0; b < 0x80; ++b) {
        if (m_kinds[b] != Kind::single || m_singles[b] != b)
            return;
    }
    m_valid = true;
}

bool DoubleByteTable::decode(std::span<const std::uint8_t> bytes, std::u16string& text) const
{
    return decodeWatching<false>(bytes, text, nullptr, nullptr);
}

bool DoubleByteTable::decode(std::span<const std::uint8_t> bytes,
                             std::u16string& text,
                             const PairSet& watched,
                             const std::function<void(std::uint16_t)>& seen) const
{
    return decodeWatching<true>(bytes, text, &watched, &seen);
}

template<bool watch>
bool DoubleByteTable::decodeWatching(
    std::span<const std::uint8_t> bytes,
    std::u16string& text,
    [[maybe_unused]] const PairSet* watched,
    [[maybe_unused]] const std::function<void(std::uint16_t)>* seen) const
{
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
#if defined(__SSE2__)
        if (end - p >= 16) {
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            const __m128i zero = _mm_setzero_si128();
            _mm_storeu_si128(reinterpret_cast<__m128i*>(chunk.data() + fill),
                             _mm_unpacklo_epi8(block, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(chunk.data() + fill + 8),
                             _mm_unpackhi_epi8(block, zero));
            const auto highBits = static_cast<unsigned>(_mm_movemask_epi8(block));
            const std::size_t ascii = highBits == 0 ? 16 : std::size_t(__builtin_ctz(highBits));
            fill += ascii;
            p += ascii;
            if (ascii == 16)
                continue;
        }
#endif
        // A stretch of characters one at a time before looking for ASCII blocks again.
        for (int n = 0; n < 16 && p < end; ++n) {
            const std::uint8_t b = *p;
            switch (m_kinds[b]) {
            case Kind::single:
                chunk[fill++] = m_singles[b];
                ++p;
                break;
            case Kind::lead: {
                if (end - p < 2)
                    return false;
                const std::size_t code = std::size_t(b) << 8 | p[1];
                const char16_t unit = m_pairs[code];
                if (unit == u'\0')
                    return false;
                if constexpr (watch) {
                    if (((*watched)[code >> 6] >> (code & 63)) & 1)
                        (*seen)(static_cast<std::uint16_t>(code));
                }
                chunk[fill++] = unit;
                p += 2;
                break;
            }
            case Kind::invalid:
                return false;
            }
        }
    }
    text.append(chunk.data(), fill);
    return true;
}

} // namespace EditorCore
