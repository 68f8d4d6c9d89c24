#include "core/IcuConverter.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>

#include <array>
#include <utility>

namespace EditorCore {
namespace {

// Leaving the error code as ICU set it stops the conversion. Unlike UCNV_*_CALLBACK_STOP
// this makes no exception for default-ignorable characters.
void failToUnicode(const void*,
                   UConverterToUnicodeArgs*,
                   const char*,
                   int32_t,
                   UConverterCallbackReason,
                   UErrorCode*)
{}

void failFromUnicode(const void*,
                     UConverterFromUnicodeArgs*,
                     const UChar*,
                     int32_t,
                     UChar32,
                     UConverterCallbackReason,
                     UErrorCode*)
{}

// Large enough that the per-call cost of ICU vanishes, small enough to stay in cache.
constexpr std::size_t chunkUnits = 16384;
constexpr std::size_t chunkBytes = 65536;

} // namespace

std::optional<IcuConverter> IcuConverter::open(const char* name)
{
    UErrorCode status = U_ZERO_ERROR;
    UConverter* converter = ucnv_open(name, &status);
    if (U_FAILURE(status) || converter == nullptr)
        return std::nullopt;
    IcuConverter result(converter);
    ucnv_setFallback(converter, false);
    ucnv_setToUCallBack(converter, failToUnicode, nullptr, nullptr, nullptr, &status);
    ucnv_setFromUCallBack(converter, failFromUnicode, nullptr, nullptr, nullptr, &status);
    if (U_FAILURE(status))
        return std::nullopt;
    return result;
}

IcuConverter::IcuConverter(UConverter* converter)
    : m_converter(converter)
{}

IcuConverter::IcuConverter(IcuConverter&& other) noexcept
    : m_converter(std::exchange(other.m_converter, nullptr))
{}

IcuConverter& IcuConverter::operator=(IcuConverter&& other) noexcept
{
    if (this != &other) {
        if (m_converter != nullptr)
            ucnv_close(m_converter);
        m_converter = std::exchange(other.m_converter, nullptr);
    }
    return *this;
}

IcuConverter::~IcuConverter()
{
    if (m_converter != nullptr)
        ucnv_close(m_converter);
}

bool IcuConverter::decode(std::span<const std::uint8_t> bytes, std::u16string& text)
{
    ucnv_resetToUnicode(m_converter);
    std::array<UChar, chunkUnits> chunk;
    const char* source = reinterpret_cast<const char*>(bytes.data());
    const char* sourceEnd = source + bytes.size();
    for (;;) {
        UErrorCode status = U_ZERO_ERROR;
        UChar* target = chunk.data();
        ucnv_toUnicode(m_converter,
                       &target,
                       chunk.data() + chunk.size(),
                       &source,
                       sourceEnd,
                       nullptr,
                       true,
                       &status);
        text.append(chunk.data(), static_cast<std::size_t>(target - chunk.data()));
        if (status == U_BUFFER_OVERFLOW_ERROR)
            continue;
        return U_SUCCESS(status);
    }
}

bool IcuConverter::encode(std::u16string_view text, std::vector<std::uint8_t>& bytes)
{
    ucnv_resetFromUnicode(m_converter);
    return encodePiece(text, true, bytes);
}

bool IcuConverter::encodePiece(std::u16string_view text,
                               bool last,
                               std::vector<std::uint8_t>& bytes)
{
    std::array<char, chunkBytes> chunk;
    const UChar* source = text.data();
    const UChar* sourceEnd = source + text.size();
    for (;;) {
        UErrorCode status = U_ZERO_ERROR;
        char* target = chunk.data();
        ucnv_fromUnicode(m_converter,
                         &target,
                         chunk.data() + chunk.size(),
                         &source,
                         sourceEnd,
                         nullptr,
                         last,
                         &status);
        bytes.insert(bytes.end(),
                     reinterpret_cast<const std::uint8_t*>(chunk.data()),
                     reinterpret_cast<const std::uint8_t*>(target));
        if (status == U_BUFFER_OVERFLOW_ERROR)
            continue;
        if (U_FAILURE(status)) {
            // A failed piece leaves the converter in the middle of a character.
            ucnv_resetFromUnicode(m_converter);
            return false;
        }
        return true;
    }
}

char16_t fromWindows31jControl(char16_t icuUnit)
{
    switch (icuUnit) {
    case 0x1C:
        return 0x1A;
    case 0x7F:
        return 0x1C;
    case 0x1A:
        return 0x7F;
    default:
        return icuUnit;
    }
}

char16_t toWindows31jControl(char16_t unit)
{
    switch (unit) {
    case 0x1A:
        return 0x1C;
    case 0x1C:
        return 0x7F;
    case 0x7F:
        return 0x1A;
    default:
        return unit;
    }
}

} // namespace EditorCore
