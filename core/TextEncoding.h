#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <ostream>
#include <span>
#include <string_view>

namespace EditorCore {

// The fourteen encodings the editor reads and writes, in menu order.
enum class TextEncoding {
    utf8,
    utf16LE,
    utf16BE,
    utf32LE,
    utf32BE,
    cp949,
    eucKR,
    shiftJIS,
    eucJP,
    gb18030,
    big5,
    windows1252,
    isoLatin1,
    macRoman,
};

inline constexpr std::array<TextEncoding, 14> allTextEncodings = {
    TextEncoding::utf8,
    TextEncoding::utf16LE,
    TextEncoding::utf16BE,
    TextEncoding::utf32LE,
    TextEncoding::utf32BE,
    TextEncoding::cp949,
    TextEncoding::eucKR,
    TextEncoding::shiftJIS,
    TextEncoding::eucJP,
    TextEncoding::gb18030,
    TextEncoding::big5,
    TextEncoding::windows1252,
    TextEncoding::isoLatin1,
    TextEncoding::macRoman,
};

// "utf-8", "utf-16le", ... as stored in settings, the file memory and tab states.
std::string_view rawValue(TextEncoding);
// Exact, case-sensitive match of a raw value.
std::optional<TextEncoding> textEncodingFromRawValue(std::string_view);

// The ICU converter that holds the encoding's tables.
const char* icuConverterName(TextEncoding);

// The byte-order mark of the five Unicode forms; empty for the others.
std::span<const std::uint8_t> byteOrderMark(TextEncoding);
bool supportsByteOrderMark(TextEncoding);

std::ostream& operator<<(std::ostream&, TextEncoding);

} // namespace EditorCore
