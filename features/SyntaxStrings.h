#pragma once

#include <tree_sitter/api.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Text conversions shared by the query classes.
namespace EditorFeatures::SyntaxStrings {

// Invalid sequences become U+FFFD.
std::string repairedUtf8(std::string_view bytes);
std::u16string utf16(std::string_view utf8);
std::string utf8(std::u16string_view utf16);

// The name of a capture (no leading "@"); none when the runtime cannot give it.
std::optional<std::string> captureName(const TSQuery* query, std::uint32_t id);

} // namespace EditorFeatures::SyntaxStrings
