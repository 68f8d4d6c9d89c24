#pragma once

#include "core/Result.h"

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace EditorFeatures {

// Why a downloaded index was not trusted; shared by the grammar and the formatter index.
enum class IndexFailure { badSignature, unreadable, notNotarized };

std::string_view rawValue(IndexFailure);
std::ostream& operator<<(std::ostream&, IndexFailure);

// The scheme every downloaded index of ours is signed with: an Ed25519 signature over the
// index document's exact bytes, kept as standard Base64 text in a ".sig" file beside it.
// Nothing here touches the network or the disk.
namespace SignedIndex {

// Checks the signature and reads the document as a JSON object of `format` 1. The
// signature text may carry white space and line breaks at its ends only; `publicKey` is the
// raw 32-byte Ed25519 key in standard Base64. A bad key, signature text or signature is
// `badSignature`; a document that is no JSON object, or whose `format` is no integer 1, is
// `unreadable`. What the other keys must hold is the caller's to check.
[[nodiscard]] EditorCore::Result<nlohmann::json, IndexFailure> open(
    std::span<const std::uint8_t> document, std::string_view signature, std::string_view publicKey);

// Strict standard Base64 (padding required, nothing but the alphabet); none when malformed.
[[nodiscard]] std::optional<std::string> decodeBase64(std::string_view text);

// Lower-case hexadecimal, two digits a byte, no separators.
std::string sha256Hex(std::span<const std::uint8_t> bytes);

// Whether archive bytes are the ones an index entry describes: the size is compared first,
// the digest computed only when it agrees, and compared exactly (upper-case never matches).
bool archiveMatches(std::span<const std::uint8_t> bytes,
                    std::int64_t size,
                    std::string_view sha256);

// Index texts that become file names: one normal path component, not empty, not "." or
// "..", without "/" or NUL, and not starting with ".staging-" (the installers' work folders).
bool isPathComponent(std::string_view);
// Index texts that name a file under the server's base URL: a relative path whose segments
// are all non-empty, neither "." nor "..", without NUL.
bool isRelativePath(std::string_view);

// Typed reads of one key of a decoded index object; none when absent or of another type.
// An integer must be a JSON integer (not 1.0) that fits.
std::optional<std::string> stringField(const nlohmann::json& object, std::string_view key);
std::optional<std::int64_t> integerField(const nlohmann::json& object, std::string_view key);
std::optional<bool> booleanField(const nlohmann::json& object, std::string_view key);
std::optional<std::vector<std::string>> stringsField(const nlohmann::json& object,
                                                     std::string_view key);

} // namespace SignedIndex

} // namespace EditorFeatures
