#pragma once

#include "core/Result.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <string_view>
#include <sys/types.h>
#include <system_error>
#include <vector>

namespace Platform {

// errno as an error code.
std::error_code lastError();

// Writes every byte, going on after interruptions and short writes; false on an error (errno
// tells which).
bool writeAll(int fd, std::span<const std::uint8_t> bytes);
bool writeAll(int fd, std::string_view text);

// Writes a temporary file beside `path`, flushes it to disk and renames it over `path`, so a
// file under its final name is always complete. The file gets `mode` (not masked by umask).
[[nodiscard]] EditorCore::Result<void, std::error_code> writeAtomically(
    const std::filesystem::path& path, std::span<const std::uint8_t> bytes, mode_t mode);
[[nodiscard]] EditorCore::Result<void, std::error_code>
writeAtomically(const std::filesystem::path& path, std::string_view bytes, mode_t mode);

// The whole content of a regular file, read with read(2).
[[nodiscard]] EditorCore::Result<std::vector<std::uint8_t>, std::error_code>
readWholeFile(const std::filesystem::path& path);

// Creates `path` and every missing folder above it with `mode`; an existing folder is kept
// as it is. Succeeds when `path` is a folder afterwards.
[[nodiscard]] EditorCore::Result<void, std::error_code>
createFolders(const std::filesystem::path& path, mode_t mode);

} // namespace Platform
