#include "core/CharacterInfo.h"

#include "core/TextCodec.h"
#include "core/UnicodeScalars.h"

#include <unicode/uchar.h>

#include <array>
#include <cstdio>

namespace EditorCore {

namespace {

std::string hex(char32_t value, const char* format)
{
    std::array<char, 16> buffer{};
    std::snprintf(buffer.data(), buffer.size(), format, static_cast<unsigned>(value));
    return buffer.data();
}

std::optional<std::string> icuName(UChar32 scalar, UCharNameChoice choice)
{
    std::array<char, 256> buffer{};
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length =
        u_charName(scalar, choice, buffer.data(), static_cast<int32_t>(buffer.size()), &status);
    if (U_FAILURE(status) || length <= 0)
        return std::nullopt;
    return std::string(buffer.data(), static_cast<std::size_t>(length));
}

// ICU's "extended" names ("<control-0009>" and the like) are not used: a scalar without a name
// or alias gets "<control-…>" whatever its category, private use included.
std::string nameOf(char32_t scalar)
{
    const auto c = static_cast<UChar32>(scalar);
    if (auto name = icuName(c, U_UNICODE_CHAR_NAME))
        return *name;
    if (auto alias = icuName(c, U_CHAR_NAME_ALIAS))
        return *alias;
    return hex(scalar, "<control-%04X>");
}

std::optional<std::string> bytesOf(std::u16string_view character, TextEncoding encoding)
{
    const auto encoded = TextCodec::encode(character, encoding, AddByteOrderMark::no);
    if (!encoded)
        return std::nullopt;
    std::string result;
    for (std::uint8_t byte : *encoded) {
        if (!result.empty())
            result.push_back(' ');
        result += hex(byte, "%02X");
    }
    return result;
}

} // namespace

CharacterInfo::CharacterInfo(std::u16string_view text, TextEncoding encoding)
    : character(text)
{
    std::optional<char32_t> onlyScalar;
    for (std::size_t offset = 0; offset < text.size();) {
        const auto scalar = UnicodeScalars::at(text, offset);
        // An unpaired surrogate is shown as the unit it is; it is classified as the U+FFFD
        // that the scan reads it as.
        const char32_t shown = scalar.length == 1 ? text[offset] : scalar.value;
        scalars.push_back(ScalarInfo{hex(shown, "U+%04X"), nameOf(shown)});
        onlyScalar = scalars.size() == 1 ? std::optional(scalar.value) : std::nullopt;
        offset += scalar.length;
    }
    bytes = bytesOf(text, encoding);
    if (onlyScalar)
        suspicious = SuspiciousCharacters::kind(*onlyScalar, std::nullopt, std::nullopt, false);
}

std::ostream& operator<<(std::ostream& out, const CharacterInfo::ScalarInfo& scalar)
{
    return out << scalar.code << " " << scalar.name;
}

std::ostream& operator<<(std::ostream& out, const CharacterInfo& info)
{
    out << "{";
    for (const auto& scalar : info.scalars)
        out << scalar << "; ";
    out << "bytes " << info.bytes.value_or("none") << "; kind ";
    if (info.suspicious)
        out << *info.suspicious;
    else
        out << "none";
    return out << "}";
}

} // namespace EditorCore
