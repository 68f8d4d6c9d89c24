#include "core/UnicodeScalars.h"

#include <unicode/utf16.h>
#include <unicode/utf8.h>

namespace EditorCore::UnicodeScalars {

Scalar at(std::u16string_view text, std::size_t offset)
{
    const char16_t lead = text[offset];
    if (!U16_IS_SURROGATE(lead))
        return {lead, 1};
    if (U16_IS_SURROGATE_LEAD(lead) && offset + 1 < text.size() && U16_IS_TRAIL(text[offset + 1]))
        return {static_cast<char32_t>(U16_GET_SUPPLEMENTARY(lead, text[offset + 1])), 2};
    return {replacementCharacter, 1};
}

Scalar before(std::u16string_view text, std::size_t offset)
{
    const char16_t last = text[offset - 1];
    if (!U16_IS_SURROGATE(last))
        return {last, 1};
    if (U16_IS_SURROGATE_TRAIL(last) && offset >= 2 && U16_IS_LEAD(text[offset - 2]))
        return {static_cast<char32_t>(U16_GET_SUPPLEMENTARY(text[offset - 2], last)), 2};
    return {replacementCharacter, 1};
}

std::string toUTF8(std::u16string_view text)
{
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const Scalar scalar = at(text, i);
        i += scalar.length;
        const char32_t c = scalar.value;
        if (c < 0x80) {
            result.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            result.push_back(static_cast<char>(0xC0 | (c >> 6)));
            result.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            result.push_back(static_cast<char>(0xE0 | (c >> 12)));
            result.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            result.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            result.push_back(static_cast<char>(0xF0 | (c >> 18)));
            result.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            result.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            result.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return result;
}

std::u16string fromUTF8Repairing(std::span<const std::uint8_t> bytes)
{
    std::u16string result;
    result.reserve(bytes.size());
    const auto length = static_cast<std::int64_t>(bytes.size());
    std::int64_t i = 0;
    while (i < length) {
        UChar32 c = 0;
        // Ill-formed sequences give a negative value and advance past the maximal subpart, the
        // usual "one U+FFFD per maximal subpart" repair.
        U8_NEXT(bytes.data(), i, length, c);
        append(result, c < 0 ? replacementCharacter : static_cast<char32_t>(c));
    }
    return result;
}

bool isValidUTF8(std::span<const std::uint8_t> bytes)
{
    const auto length = static_cast<std::int64_t>(bytes.size());
    std::int64_t i = 0;
    while (i < length) {
        UChar32 c = 0;
        U8_NEXT(bytes.data(), i, length, c);
        if (c < 0)
            return false;
    }
    return true;
}

void append(std::u16string& text, char32_t scalar)
{
    if (scalar < 0x10000) {
        text.push_back(static_cast<char16_t>(scalar));
    } else {
        text.push_back(static_cast<char16_t>(U16_LEAD(scalar)));
        text.push_back(static_cast<char16_t>(U16_TRAIL(scalar)));
    }
}

} // namespace EditorCore::UnicodeScalars
