#pragma once

#include <cstdint>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

// Small conversions shared by the stores' file formats.
namespace EditorStore {

// An integral JSON number that fits 64 bits (a double such as 12.0 counts).
std::optional<std::int64_t> jsonInteger(const nlohmann::json& value);

// UTF-8 and UTF-16 conversions that never fail: every maximal ill-formed subsequence, and
// every unpaired surrogate, becomes U+FFFD.
std::u16string utf16Repairing(std::string_view utf8);
std::string utf8Repairing(std::u16string_view text);

// How the stores name a file: its absolute path with the . and .. segments resolved as text
// (symbolic links are not followed) and no trailing slash.
std::string standardizedPath(const std::filesystem::path& path);

// Equal under Unicode canonical equivalence (a name composed and decomposed is one name).
// Texts that are not UTF-8 are equal only byte for byte.
bool canonicallyEquivalent(std::string_view a, std::string_view b);

} // namespace EditorStore
