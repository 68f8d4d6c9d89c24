#include "core/CommonCharacters.h"

#include "core/IcuConverter.h"

#include <cstdint>
#include <string>
#include <vector>

namespace EditorCore::CommonCharacters {
namespace {

class ScalarSet
{
public:
    // The scalars of [first, last] whose one-character text converts without loss with the
    // converter and whose first byte lies in [leadLow, leadHigh].
    ScalarSet(char32_t first,
              char32_t last,
              const char* converterName,
              std::uint8_t leadLow,
              std::uint8_t leadHigh)
        : m_first(first)
        , m_members(last - first + 1, false)
    {
        auto converter = IcuConverter::open(converterName);
        if (!converter)
            return;
        std::u16string character;
        std::vector<std::uint8_t> bytes;
        for (char32_t scalar = first; scalar <= last; ++scalar) {
            if (scalar >= 0xD800 && scalar <= 0xDFFF)
                continue;
            character.clear();
            if (scalar > 0xFFFF) {
                character.push_back(static_cast<char16_t>(0xD7C0 + (scalar >> 10)));
                character.push_back(static_cast<char16_t>(0xDC00 | (scalar & 0x3FF)));
            } else {
                character.push_back(static_cast<char16_t>(scalar));
            }
            bytes.clear();
            if (converter->encode(character, bytes) && !bytes.empty() && bytes[0] >= leadLow
                && bytes[0] <= leadHigh)
                m_members[scalar - first] = true;
        }
    }

    bool contains(char32_t scalar) const
    {
        return scalar >= m_first && scalar - m_first < m_members.size()
               && m_members[scalar - m_first];
    }

private:
    char32_t m_first;
    std::vector<bool> m_members;
};

} // namespace

bool isHangul(char32_t scalar)
{
    static const ScalarSet set(0xAC00, 0xD7A3, "EUC-KR", 0xB0, 0xC8);
    return set.contains(scalar);
}

bool isKanji(char32_t scalar)
{
    static const ScalarSet set(0x4E00, 0x9FFF, "EUC-JP", 0xB0, 0xCF);
    return set.contains(scalar);
}

bool isSimplifiedHanzi(char32_t scalar)
{
    static const ScalarSet set(0x4E00, 0x9FFF, "EUC-CN", 0xB0, 0xD7);
    return set.contains(scalar);
}

bool isTraditionalHanzi(char32_t scalar)
{
    static const ScalarSet set(0x4E00, 0x9FFF, "Big5", 0xA4, 0xC6);
    return set.contains(scalar);
}

} // namespace EditorCore::CommonCharacters
