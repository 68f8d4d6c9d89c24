#pragma once

#include "core/Result.h"

#include <cstdint>
#include <filesystem>
#include <functional>
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

// Flushes a folder's entries (a rename, link or removal in it) to disk.
[[nodiscard]] EditorCore::Result<void, std::error_code>
syncFolder(const std::filesystem::path& folder);

// How far a write had got when it failed after touching its file: the file already holds the
// new content under its name (renamed over it, or rewritten in place) but flushing to disk
// failed, or an in-place rewrite stopped part way. The error's value is the platform's errno;
// it compares equal to the matching std::errc, and its message says what is on disk.
enum class UnfinishedWrite {
    renamed, // the folder could not be flushed after the rename
    inPlace, // the file was rewritten in place; a recovery copy of the new content is kept
};
std::error_code unfinishedWriteError(int errnoValue, UnfinishedWrite);
// Whether `error` is one of those errors.
bool isUnfinishedWrite(const std::error_code& error, UnfinishedWrite);

// Writes a temporary file beside `path`, flushes it to disk, renames it over `path` and
// flushes the folder, so a file under its final name is always complete and the rename
// survives a crash once this returns. The file gets `mode` (not masked by umask). A failed
// flush of the folder is an UnfinishedWrite::renamed error.
[[nodiscard]] EditorCore::Result<void, std::error_code> writeAtomically(
    const std::filesystem::path& path, std::span<const std::uint8_t> bytes, mode_t mode);
[[nodiscard]] EditorCore::Result<void, std::error_code>
writeAtomically(const std::filesystem::path& path, std::string_view bytes, mode_t mode);
// Takes bytes in order, piece by piece; false when they could not be taken.
using ByteWriter = std::function<bool(std::span<const std::uint8_t>)>;
// The same with content made while it is written: `produce` hands the bytes to the writer in
// order and stops when it returns false. When it returns false the temporary file is removed
// and the error is the write's, or std::errc::operation_canceled when it gave up by itself.
[[nodiscard]] EditorCore::Result<void, std::error_code>
writeAtomically(const std::filesystem::path& path,
                const std::function<bool(const ByteWriter&)>& produce,
                mode_t mode);

// The whole content of a regular file, read with read(2).
[[nodiscard]] EditorCore::Result<std::vector<std::uint8_t>, std::error_code>
readWholeFile(const std::filesystem::path& path);

// Creates `path` and every missing folder above it with `mode`; an existing folder is kept
// as it is. Succeeds when `path` is a folder afterwards.
[[nodiscard]] EditorCore::Result<void, std::error_code>
createFolders(const std::filesystem::path& path, mode_t mode);

} // namespace Platform
