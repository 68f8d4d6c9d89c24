#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace EditorCore::UnicodeScalars {

// One scalar read from UTF-16 text. An unpaired surrogate reads as U+FFFD, one unit long, so a
// walk over damaged text never stops and offsets stay those of the text.
struct Scalar
{
    char32_t value = 0;
    std::size_t length = 0; // UTF-16 units: 1, or 2 for a pair
};

inline constexpr char32_t replacementCharacter = 0xFFFD;

// The scalar that starts at `offset`; `offset` must lie inside the text.
Scalar at(std::u16string_view text, std::size_t offset);

// The scalar that ends at `offset` (exclusive); `offset` must be above 0.
Scalar before(std::u16string_view text, std::size_t offset);

// UTF-8 of the text; an unpaired surrogate becomes U+FFFD.
std::string toUTF8(std::u16string_view text);

// The text of UTF-8 bytes, every ill-formed sequence replaced by U+FFFD.
std::u16string fromUTF8Repairing(std::span<const std::uint8_t> bytes);

// Whether the bytes are well-formed UTF-8 (no overlongs, surrogates or values past U+10FFFF).
bool isValidUTF8(std::span<const std::uint8_t> bytes);

void append(std::u16string& text, char32_t scalar);

} // namespace EditorCore::UnicodeScalars
