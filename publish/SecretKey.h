#pragma once

#include "core/Result.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

// The publisher's Ed25519 secret key, as the build and a real publisher keep it: a text file
// with the 32-byte seed (or libsodium's 64-byte secret key) in standard Base64.
namespace Publisher::SecretKey {

using Key = std::array<std::uint8_t, 64>;

// The libsodium secret key (seed followed by the public key) read from the file; the failure
// says what is wrong with it.
[[nodiscard]] EditorCore::Result<Key, std::string> read(const std::filesystem::path&);

// A new random seed written to the file (created with mode 0600, put in place by a rename).
[[nodiscard]] EditorCore::Result<void, std::string> make(const std::filesystem::path&);

// The raw 32-byte public key of a secret key, in standard Base64.
std::string publicKey(const Key&);

} // namespace Publisher::SecretKey
