#include "core/ChunkDecoding.h"

#include "core/DoubleByteTable.h"
#include "core/IcuConverter.h"
#include "core/TextCodec.h"
#include "core/Utf8.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/ucnv_err.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <optional>

namespace EditorCore::ChunkDecoding {
namespace {

struct ConverterCloser
{
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

// ICU's own substitute callback writes U+001A for a single bad byte of some legacy tables;
// a replaced sequence is always U+FFFD here.
void replaceToUnicode(const void*,
                      UConverterToUnicodeArgs* arguments,
                      const char*,
                      int32_t,
                      UConverterCallbackReason reason,
                      UErrorCode* status)
{
    if (reason > UCNV_IRREGULAR)
        return;
    static const UChar replacement = 0xFFFD;
    *status = U_ZERO_ERROR;
    ucnv_cbToUWriteUChars(arguments, &replacement, 1, 0, status);
}

Converter openReplacing(TextEncoding encoding)
{
    UErrorCode status = U_ZERO_ERROR;
    Converter converter(ucnv_open(icuConverterName(encoding), &status));
    if (U_FAILURE(status) || !converter)
        return nullptr;
    ucnv_setFallback(converter.get(), false);
    ucnv_setToUCallBack(converter.get(), replaceToUnicode, nullptr, nullptr, nullptr, &status);
    if (U_FAILURE(status))
        return nullptr;
    return converter;
}

// Runs the bytes through the converter, appending to `text` when given; returns how many
// trailing bytes the converter holds back as an unfinished character (only without flush).
std::size_t convert(UConverter* converter,
                    std::span<const std::uint8_t> bytes,
                    bool flush,
                    std::u16string* text)
{
    std::array<UChar, 16384> buffer;
    const char* source = reinterpret_cast<const char*>(bytes.data());
    const char* sourceEnd = source + bytes.size();
    while (true) {
        UChar* target = buffer.data();
        UErrorCode status = U_ZERO_ERROR;
        ucnv_toUnicode(converter,
                       &target,
                       buffer.data() + buffer.size(),
                       &source,
                       sourceEnd,
                       nullptr,
                       flush,
                       &status);
        if (text)
            text->append(reinterpret_cast<const char16_t*>(buffer.data()),
                         static_cast<std::size_t>(target - buffer.data()));
        if (status == U_BUFFER_OVERFLOW_ERROR)
            continue;
        break;
    }
    if (flush)
        return 0;
    UErrorCode status = U_ZERO_ERROR;
    const int32_t pending = ucnv_toUCountPending(converter, &status);
    return U_SUCCESS(status) && pending > 0 ? static_cast<std::size_t>(pending) : 0;
}

bool isSingleByte(TextEncoding encoding)
{
    return encoding == TextEncoding::isoLatin1 || encoding == TextEncoding::windows1252
           || encoding == TextEncoding::macRoman;
}

// Position just after the last line-feed code unit, or none.
std::optional<std::size_t> afterLastLineFeed(std::span<const std::uint8_t> bytes,
                                             TextEncoding encoding)
{
    std::size_t end = bytes.size();
    while (end > 0) {
        const void* found = ::memrchr(bytes.data(), 0x0A, end);
        if (!found)
            return std::nullopt;
        const auto at = static_cast<std::size_t>(static_cast<const std::uint8_t*>(found)
                                                 - bytes.data());
        switch (encoding) {
        case TextEncoding::utf16LE:
            if (at % 2 == 0 && at + 1 < bytes.size() && bytes[at + 1] == 0x00)
                return at + 2;
            break;
        case TextEncoding::utf16BE:
            if (at % 2 == 1 && bytes[at - 1] == 0x00)
                return at + 1;
            break;
        case TextEncoding::utf32LE:
            if (at % 4 == 0 && at + 3 < bytes.size() && bytes[at + 1] == 0 && bytes[at + 2] == 0
                && bytes[at + 3] == 0)
                return at + 4;
            break;
        case TextEncoding::utf32BE:
            if (at % 4 == 3 && bytes[at - 1] == 0 && bytes[at - 2] == 0 && bytes[at - 3] == 0)
                return at + 1;
            break;
        default:
            return at + 1;
        }
        end = at;
    }
    return std::nullopt;
}

// The end of the last complete UTF-8 sequence: a lead byte near the end whose sequence runs
// past it starts the carry.
std::size_t completeUtf8Length(std::span<const std::uint8_t> bytes)
{
    const std::size_t n = bytes.size();
    for (std::size_t back = 1; back <= std::min<std::size_t>(4, n); ++back) {
        const std::uint8_t byte = bytes[n - back];
        if ((byte & 0xC0) == 0x80)
            continue;
        const std::size_t needed = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        return needed > back ? n - back : n;
    }
    return n;
}

std::size_t completeUtf16Length(std::span<const std::uint8_t> bytes, bool littleEndian)
{
    std::size_t end = bytes.size() & ~std::size_t(1);
    if (end >= 2) {
        const std::uint16_t unit = littleEndian ? bytes[end - 2] | bytes[end - 1] << 8
                                                : bytes[end - 2] << 8 | bytes[end - 1];
        if (unit >= 0xD800 && unit <= 0xDBFF)
            end -= 2;
    }
    return end;
}

// Bytes of a legacy multi-byte encoding cannot be read backwards: the converter reads them
// forwards and says how many it holds for a character still open at the end.
std::size_t completeLegacyLength(std::span<const std::uint8_t> bytes, TextEncoding encoding)
{
    Converter converter = openReplacing(encoding);
    if (!converter)
        return bytes.size();
    return bytes.size() - std::min(bytes.size(), convert(converter.get(), bytes, false, nullptr));
}

void replaceInvalid(std::span<const std::uint8_t> bytes,
                    TextEncoding encoding,
                    std::u16string& text)
{
    Converter converter = openReplacing(encoding);
    if (!converter) {
        text.append(bytes.size(), u'\uFFFD');
        return;
    }
    const std::size_t start = text.size();
    convert(converter.get(), bytes, true, &text);
    if (encoding == TextEncoding::shiftJIS)
        std::transform(text.begin() + static_cast<std::ptrdiff_t>(start),
                       text.end(),
                       text.begin() + static_cast<std::ptrdiff_t>(start),
                       [](char16_t unit) {
                           return unit == 0xFFFD ? unit : fromWindows31jControl(unit);
                       });
}

// The strict codec's decode, appending to `text` instead of making a new string, so that a
// file read piece by piece reuses one buffer (fresh memory is slow to come by). On failure
// `text` is cut back to what it held.
bool decodeStrictAppending(std::span<const std::uint8_t> bytes,
                           TextEncoding encoding,
                           std::u16string& text)
{
    const std::size_t kept = text.size();
    bool decoded = false;
    if (encoding == TextEncoding::utf8) {
        decoded = Utf8::decodeStrict(bytes, text);
    } else if (const auto* table = bytes.size() >= (std::size_t(1) << 20)
                                       ? DoubleByteTable::forEncoding(encoding)
                                       : nullptr) {
        decoded = table->decode(bytes, text);
    } else if (auto converter = IcuConverter::open(icuConverterName(encoding))) {
        decoded = converter->decode(bytes, text);
        if (decoded && encoding == TextEncoding::shiftJIS)
            std::transform(text.begin() + static_cast<std::ptrdiff_t>(kept),
                           text.end(),
                           text.begin() + static_cast<std::ptrdiff_t>(kept),
                           fromWindows31jControl);
    }
    if (!decoded)
        text.resize(kept);
    return decoded;
}

// The strict codec decodes what it can in line-sized pieces (so that its own paths and
// tables give the text), and only the lines it refuses are decoded with replacements.
void decodeLossy(std::span<const std::uint8_t> bytes, TextEncoding encoding, std::u16string& text)
{
    if (bytes.empty() || decodeStrictAppending(bytes, encoding, text))
        return;
    // A line boundary near the middle: before it if the first half has one, else after it.
    const std::size_t middle = bytes.size() / 2;
    std::optional<std::size_t> cut = afterLastLineFeed(bytes.first(middle), encoding);
    if (!cut || *cut == 0) {
        const auto rest = bytes.subspan(middle);
        // The first line feed after the middle: the last one before the end of the part that
        // reaches it.
        for (std::size_t probe = 64; !cut; probe *= 2) {
            const std::size_t length = std::min(rest.size(), probe);
            cut = afterLastLineFeed(rest.first(length), encoding);
            if (cut)
                *cut += middle;
            if (length == rest.size())
                break;
        }
    }
    if (!cut || *cut == 0 || *cut >= bytes.size()) {
        replaceInvalid(bytes, encoding, text);
        return;
    }
    decodeLossy(bytes.first(*cut), encoding, text);
    decodeLossy(bytes.subspan(*cut), encoding, text);
}

} // namespace

bool decodeStrict(std::span<const std::uint8_t> bytes, TextEncoding encoding, std::u16string& text)
{
    return decodeStrictAppending(bytes, encoding, text);
}

std::size_t decodableLength(std::span<const std::uint8_t> chunk, TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::utf32LE:
    case TextEncoding::utf32BE:
        return chunk.size() & ~std::size_t(3);
    case TextEncoding::utf16LE:
    case TextEncoding::utf16BE:
        if (auto cut = afterLastLineFeed(chunk, encoding))
            return *cut;
        return completeUtf16Length(chunk, encoding == TextEncoding::utf16LE);
    default:
        break;
    }
    if (auto cut = afterLastLineFeed(chunk, encoding))
        return *cut;
    if (encoding == TextEncoding::utf8)
        return completeUtf8Length(chunk);
    if (isSingleByte(encoding))
        return chunk.size();
    return completeLegacyLength(chunk, encoding);
}

bool decodeReplacingInvalid(std::span<const std::uint8_t> bytes,
                            TextEncoding encoding,
                            std::u16string& text)
{
    if (decodeStrictAppending(bytes, encoding, text))
        return false;
    decodeLossy(bytes, encoding, text);
    return true;
}

} // namespace EditorCore::ChunkDecoding
