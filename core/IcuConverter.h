#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct UConverter;

namespace EditorCore {

// An ICU converter set up to fail rather than repair, in both directions: no fallback
// mappings, and a conversion stops at the first byte sequence or character the tables do not
// hold. ICU's own stop callback lets default-ignorable characters (U+200B, U+FEFF, ...)
// vanish on encode and reports success; ours fails on them like on any other character.
// One converter belongs to one thread at a time.
class IcuConverter
{
public:
    // Nothing when ICU does not know the name.
    static std::optional<IcuConverter> open(const char* name);

    IcuConverter(IcuConverter&& other) noexcept;
    IcuConverter& operator=(IcuConverter&& other) noexcept;
    IcuConverter(const IcuConverter&) = delete;
    IcuConverter& operator=(const IcuConverter&) = delete;
    ~IcuConverter();

    // Appends the text of all the bytes to `text`; false (with `text` in an unspecified
    // state) when any sequence is invalid or the data ends inside a character.
    bool decode(std::span<const std::uint8_t> bytes, std::u16string& text);
    // Appends the bytes of all the text to `bytes`; false when any character (or an unpaired
    // surrogate) cannot be represented.
    bool encode(std::u16string_view text, std::vector<std::uint8_t>& bytes);
    // The same for one piece of a longer text: the converter's state (a shift state, a lead
    // surrogate waiting for its trail) goes on to the next piece, and `last` flushes it, after
    // which the converter starts over. `encode` is one piece that is the first and the last.
    bool encodePiece(std::u16string_view text, bool last, std::vector<std::uint8_t>& bytes);

private:
    explicit IcuConverter(UConverter* converter);

    UConverter* m_converter = nullptr;
};

// ICU's table for Windows code page 932 ("windows-31j") comes from IBM's, which swaps three
// control codes: byte 1A is U+001C, 1C is U+007F, 7F is U+001A. Windows maps them to
// themselves, and so do we. The three code points arise from those single bytes only, so
// swapping them in the text is exact.
char16_t fromWindows31jControl(char16_t icuUnit);
char16_t toWindows31jControl(char16_t unit);

} // namespace EditorCore
