#pragma once

#include "app/documents/SaveContent.h"
#include "app/documents/TemporaryFile.h"
#include "core/DiskIdentity.h"
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
// (ACLs included) and hard links. A process killed at any moment leaves the file with either
// its old or its new content, or, where the file has to be rewritten in place, a recovery copy
// of the new content (RecoveryCopies). Safe to call from any thread; saves of one file must not
// overlap.
namespace EditorDocuments::FileSaver {

// How the bytes reached the file.
enum class Method {
    replaced, // a temporary file in the same folder, renamed over the target
    inPlace,  // the target rewritten from its start, then cut to length (its inode kept)
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
    // Where an in-place rewrite keeps its recovery copy; empty: RecoveryCopies::defaultFolder().
    std::filesystem::path recoveryFolder;
    SaveCalls calls;
};

struct Written
{
    std::filesystem::path target; // the path after symbolic links
    Method method = Method::replaced;
    // The file as it was once the last of the bytes was in it, taken from the descriptor they
    // were written through and hashed from the bytes on their way (up to
    // DiskIdentity::documentHashLimit, as a document hashes what it reads). A program that
    // changes the file after that, even before the write returns, leaves the file different
    // from it. None when the file's attributes could not be had.
    std::optional<EditorCore::DiskIdentity> identity;
};

// The path with every symbolic link resolved; a missing last component is kept as named.
std::filesystem::path resolvedTarget(const std::filesystem::path& path);

// Writes the bytes to the target of `path`: a temporary file in the target's folder
// (TemporaryFile) with the original's owner, group, mode and extended attributes, flushed to
// disk and renamed over it, then the folder flushed; in place (rewriteInPlace) when the target
// has more than one hard link, its folder is not writable, or the temporary file cannot carry
// the original's owner or attributes. Temporary files of the target that killed processes left
// are removed first.
//
// A failure that came after the file was touched says so: its error is a
// Platform::UnfinishedWrite (renamed: the folder could not be flushed; inPlace: the rewrite
// failed or could not be flushed, and the recovery copy is kept).
[[nodiscard]] EditorCore::Result<Written, std::error_code>
write(const std::filesystem::path& path,
      std::span<const std::uint8_t> bytes,
      const Options& options = {});
// The same with content made while it is written, called once: into the temporary file, or,
// for an in-place rewrite, into the recovery copy before the file is touched. When the content
// fails the file is left as it was (the temporary file or the copy is discarded) and the error
// is contentFailed() or the platform's error of the write that stopped it.
[[nodiscard]] EditorCore::Result<Written, std::error_code> writeFrom(
    const std::filesystem::path& path, const SaveContent& content, const Options& options = {});

// Rewrites an existing file keeping its inode: the new content goes to a recovery copy flushed
// to disk first, then over the file from its start, then the file is cut to the new length and
// flushed, and only then the copy is removed. Without a recovery copy nothing is written.
[[nodiscard]] EditorCore::Result<void, std::error_code>
rewriteInPlace(const std::filesystem::path& path,
               std::span<const std::uint8_t> bytes,
               const Options& options = {});
// The same with content made while it is written: it goes to the recovery copy first, and the
// file is then rewritten from the copy, so a content that fails leaves the file untouched.
[[nodiscard]] EditorCore::Result<void, std::error_code> rewriteInPlaceFrom(
    const std::filesystem::path& path, const SaveContent& content, const Options& options = {});

} // namespace EditorDocuments::FileSaver
