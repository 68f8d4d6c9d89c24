#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// UTF-8 by hand rather than through ICU: it is the common case when opening a file, and an
// ASCII run can be widened many bytes at a time.
namespace EditorCore::Utf8 {

// Appends the text of `bytes` to `text`; false (with `text` in an unspecified state) on any
// ill-formed sequence: overlong forms, surrogates, scalars past U+10FFFF, stray continuation
// bytes, a sequence cut short by the end of the data.
bool decodeStrict(std::span<const std::uint8_t> bytes, std::u16string& text);

// Appends the bytes of `text`; false on an unpaired surrogate.
bool encodeStrict(std::u16string_view text, std::vector<std::uint8_t>& bytes);

// What a decode that replaces every maximal ill-formed subpart with U+FFFD would produce,
// counted without building the text.
struct LossyCounts
{
    std::size_t nonASCII = 0;     // scalars at or above U+0080, replacements included
    std::size_t replacements = 0; // U+FFFD scalars, those already in the data included
};
LossyCounts countLossy(std::span<const std::uint8_t> bytes);

} // namespace EditorCore::Utf8
