#include "core/TextEncoding.h"

namespace EditorCore {
namespace {

struct EncodingInfo {
    TextEncoding encoding;
    std::string_view raw;
    const char* converter;
};

// cp949 is Windows code page 949 ("windows-949-2000"); ICU's "cp949" alias is IBM's
// table, which lacks syllables such as U+B620. The Unicode forms name their byte order,
// so the converter never consumes a byte-order mark on its own.
constexpr std::array<EncodingInfo, 14> encodingTable = {{
    {TextEncoding::utf8, "utf-8", "UTF-8"},
    {TextEncoding::utf16LE, "utf-16le", "UTF-16LE"},
    {TextEncoding::utf16BE, "utf-16be", "UTF-16BE"},
    {TextEncoding::utf32LE, "utf-32le", "UTF-32LE"},
    {TextEncoding::utf32BE, "utf-32be", "UTF-32BE"},
    {TextEncoding::cp949, "cp949", "windows-949-2000"},
    {TextEncoding::eucKR, "euc-kr", "EUC-KR"},
    {TextEncoding::shiftJIS, "shift_jis", "windows-31j"},
    {TextEncoding::eucJP, "euc-jp", "EUC-JP"},
    {TextEncoding::gb18030, "gb18030", "GB18030"},
    {TextEncoding::big5, "big5", "Big5"},
    {TextEncoding::windows1252, "windows-1252", "windows-1252"},
    {TextEncoding::isoLatin1, "iso-8859-1", "ISO-8859-1"},
    {TextEncoding::macRoman, "mac-roman", "macintosh"},
}};

constexpr std::array<std::uint8_t, 3> utf8Mark = {0xEF, 0xBB, 0xBF};
constexpr std::array<std::uint8_t, 2> utf16LEMark = {0xFF, 0xFE};
constexpr std::array<std::uint8_t, 2> utf16BEMark = {0xFE, 0xFF};
constexpr std::array<std::uint8_t, 4> utf32LEMark = {0xFF, 0xFE, 0x00, 0x00};
constexpr std::array<std::uint8_t, 4> utf32BEMark = {0x00, 0x00, 0xFE, 0xFF};

const EncodingInfo& info(TextEncoding encoding)
{
    return encodingTable[static_cast<std::size_t>(encoding)];
}

} // namespace

std::string_view rawValue(TextEncoding encoding)
{
    return info(encoding).raw;
}

std::optional<TextEncoding> textEncodingFromRawValue(std::string_view raw)
{
    for (const auto& entry : encodingTable) {
        if (entry.raw == raw)
            return entry.encoding;
    }
    return std::nullopt;
}

const char* icuConverterName(TextEncoding encoding)
{
    return info(encoding).converter;
}

std::span<const std::uint8_t> byteOrderMark(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::utf8:
        return utf8Mark;
    case TextEncoding::utf16LE:
        return utf16LEMark;
    case TextEncoding::utf16BE:
        return utf16BEMark;
    case TextEncoding::utf32LE:
        return utf32LEMark;
    case TextEncoding::utf32BE:
        return utf32BEMark;
    default:
        return {};
    }
}

bool supportsByteOrderMark(TextEncoding encoding)
{
    return !byteOrderMark(encoding).empty();
}

std::ostream& operator<<(std::ostream& out, TextEncoding encoding)
{
    return out << rawValue(encoding);
}

} // namespace EditorCore
