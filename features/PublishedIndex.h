#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace EditorFeatures {

// Where this build's own signed indexes are, and the key that signs them. The build compiles
// the grammars, packs them and the Prettier bundle and signs both indexes with the publisher's
// secret key; the editor carries only the matching public key.
namespace PublishedIndex {

// The publisher's Ed25519 public key: the raw 32 bytes in standard Base64 (44 characters).
std::string_view publicKey();

// The folder that holds "grammars/" and "formatters/": "share/orlune-viewer" two levels above
// the running program when it has a grammar index there (an installed editor in
// <prefix>/lib/orlune-viewer), else the one the build tree published into.
std::filesystem::path folder();
// The same rule for a program at `program` (a path without links).
std::filesystem::path folder(const std::filesystem::path& program);

// The file URL of `folder()`/`kind`, ending with "/" ("file:///…/grammars/").
std::string baseURL(std::string_view kind);

} // namespace PublishedIndex

} // namespace EditorFeatures
