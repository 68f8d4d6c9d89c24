#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Standard Base64 (RFC 4648 alphabet with + and /), with padding, without line breaks.
namespace Platform::Base64 {

std::string encode(std::span<const std::uint8_t> bytes);

// Refuses anything but the padded standard form: other characters, white space and line
// breaks included, a length that is not a multiple of four, misplaced padding, and nonzero
// bits left over in the last character.
std::optional<std::vector<std::uint8_t>> decode(std::string_view text);

} // namespace Platform::Base64
