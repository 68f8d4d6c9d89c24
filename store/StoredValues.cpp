#include "store/StoredValues.h"

#include <unicode/normalizer2.h>
#include <unicode/unistr.h>
#include <unicode/ustring.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cmath>

namespace EditorStore {
namespace {

constexpr UChar32 replacementCharacter = 0xFFFD;

bool isWellFormedUtf8(std::string_view text)
{
    std::int32_t i = 0;
    auto length = static_cast<std::int32_t>(text.size());
    if (static_cast<std::size_t>(length) != text.size())
        return false;
    while (i < length) {
        UChar32 c = 0;
        U8_NEXT(reinterpret_cast<const std::uint8_t*>(text.data()), i, length, c);
        if (c < 0)
            return false;
    }
    return true;
}

} // namespace

std::optional<std::int64_t> jsonInteger(const nlohmann::json& value)
{
    switch (value.type()) {
    case nlohmann::json::value_t::number_integer:
        return value.get_ref<const std::int64_t&>();
    case nlohmann::json::value_t::number_unsigned: {
        auto number = value.get_ref<const std::uint64_t&>();
        if (number > static_cast<std::uint64_t>(INT64_MAX))
            return std::nullopt;
        return static_cast<std::int64_t>(number);
    }
    case nlohmann::json::value_t::number_float: {
        double number = value.get_ref<const double&>();
        if (!std::isfinite(number) || std::trunc(number) != number
            || number >= 9223372036854775808.0 || number < -9223372036854775808.0)
            return std::nullopt;
        return static_cast<std::int64_t>(number);
    }
    default:
        return std::nullopt;
    }
}

std::u16string utf16Repairing(std::string_view utf8)
{
    std::u16string out;
    // Walked by hand rather than in one ICU call, whose lengths are 32-bit.
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(utf8.data());
    std::size_t position = 0;
    while (position < utf8.size()) {
        auto chunk =
            static_cast<std::int32_t>(std::min<std::size_t>(utf8.size() - position, 1 << 30));
        std::int32_t i = 0;
        while (i < chunk) {
            // Stop a chunk only between characters: a sequence cut by the chunk's end would
            // turn into replacements.
            if (chunk < static_cast<std::int32_t>(utf8.size() - position) && chunk - i < 4)
                break;
            UChar32 c = 0;
            U8_NEXT_OR_FFFD(bytes + position, i, chunk, c);
            if (c <= 0xFFFF) {
                out += static_cast<char16_t>(c);
            } else {
                out += static_cast<char16_t>(U16_LEAD(c));
                out += static_cast<char16_t>(U16_TRAIL(c));
            }
        }
        position += static_cast<std::size_t>(i);
    }
    return out;
}

std::string utf8Repairing(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        char32_t c = text[i++];
        if (U16_IS_LEAD(c) && i < text.size() && U16_IS_TRAIL(text[i]))
            c = U16_GET_SUPPLEMENTARY(c, text[i++]);
        else if (U16_IS_SURROGATE(c))
            c = replacementCharacter;
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | c >> 12);
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | c >> 18);
            out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string standardizedPath(const std::filesystem::path& path)
{
    std::error_code error;
    auto absolute = std::filesystem::absolute(path, error);
    if (error)
        absolute = path;
    auto normal = absolute.lexically_normal().string();
    while (normal.size() > 1 && normal.back() == '/')
        normal.pop_back();
    return normal;
}

bool canonicallyEquivalent(std::string_view a, std::string_view b)
{
    if (a == b)
        return true;
    if (!isWellFormedUtf8(a) || !isWellFormedUtf8(b))
        return false;
    UErrorCode status = U_ZERO_ERROR;
    const auto* nfd = icu::Normalizer2::getNFDInstance(status);
    if (U_FAILURE(status))
        return false;
    auto first = nfd->normalize(icu::UnicodeString::fromUTF8(a), status);
    auto second = nfd->normalize(icu::UnicodeString::fromUTF8(b), status);
    return U_SUCCESS(status) && first == second;
}

} // namespace EditorStore
