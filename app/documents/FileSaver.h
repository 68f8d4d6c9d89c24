#pragma once

#include "core/Result.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <span>
#include <system_error>

// Replacing a file's content on save without losing what the file is: a symbolic link stays a
// link (its target is written), and the file keeps its owner, group, mode, extended attributes
// (ACLs included) and hard links. The content under the final name is always complete, except
// where the file has to be rewritten in place.
namespace EditorDocuments::FileSaver {

// How the bytes reached the file.
enum class Method {
    replaced, // a temporary file in the same folder, renamed over the target
    inPlace,  // the target truncated and rewritten (its inode kept)
    created,  // there was no file yet
};
std::ostream& operator<<(std::ostream&, Method);

struct Options
{
    // Injectable because a process running as root may write into every folder.
    std::function<bool(const std::filesystem::path& folder)> isFolderWritable;
    // An existing file the user may not write is refused, although renaming over it would
    // succeed in a writable folder.
    std::function<bool(const std::filesystem::path& file)> isFileWritable;
};

struct Written
{
    std::filesystem::path target; // the path after symbolic links
    Method method = Method::replaced;
};

// The path with every symbolic link resolved; a missing last component is kept as named.
std::filesystem::path resolvedTarget(const std::filesystem::path& path);

// Writes the bytes to the target of `path`: a temporary file in the target's folder with the
// original's owner, group, mode and extended attributes, flushed to disk and renamed over it;
// in place (truncate, write, flush) when the target has more than one hard link, its folder is
// not writable, or the temporary file cannot carry the original's owner or attributes.
[[nodiscard]] EditorCore::Result<Written, std::error_code>
write(const std::filesystem::path& path,
      std::span<const std::uint8_t> bytes,
      const Options& options = {});

// Truncates and rewrites an existing file, keeping its inode; flushed to disk.
[[nodiscard]] EditorCore::Result<void, std::error_code>
rewriteInPlace(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

} // namespace EditorDocuments::FileSaver
