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

private:
    explicit IcuConverter(UConverter* converter);

    UConverter* m_converter = nullptr;
};

} // namespace EditorCore
