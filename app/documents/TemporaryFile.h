#pragma once

#include "core/Result.h"

#include <filesystem>
#include <functional>
#include <string_view>
#include <sys/types.h>
#include <system_error>

namespace EditorDocuments {

// The system calls of a save that tests make fail; an empty member calls the system. Only
// values of the call's own options, so saves on several threads share nothing.
struct SaveCalls
{
    // fsync(2) of `fd`, open on `path` (a file, or a folder when its entries are flushed).
    std::function<int(int fd, const std::filesystem::path& path)> fsync;
    // open(2) of an unnamed file in `folder`: `flags` include O_TMPFILE.
    std::function<int(const std::filesystem::path& folder, int flags, mode_t mode)> openUnnamed;

    int sync(int fd, const std::filesystem::path& path) const;
    [[nodiscard]] EditorCore::Result<void, std::error_code>
    syncFolder(const std::filesystem::path& folder) const;
};

// The new content of `target`, written beside it and put in its place by one rename. Where the
// file system allows it the file has no name until then (O_TMPFILE), so a process killed while
// writing leaves nothing behind. Elsewhere it is named ".<name>.olv-XXXXXX" (six letters or
// digits); that file is held under an exclusive flock(2) while it is being written, so
// removeStrays can tell a copy another process is still writing from one a killed process
// left. An unnamed file is locked too, for the moment it has a name before the rename.
class TemporaryFile
{
public:
    // A new empty file with `mode` (0600 until the caller changes it).
    [[nodiscard]] static EditorCore::Result<TemporaryFile, std::error_code>
    create(const std::filesystem::path& target, const SaveCalls& calls, mode_t mode = 0600);

    TemporaryFile(TemporaryFile&& other) noexcept;
    TemporaryFile& operator=(TemporaryFile&&) = delete;
    // Discards the file unless it was committed.
    ~TemporaryFile();

    int fd() const { return m_fd; }
    bool isUnnamed() const { return m_name.empty(); }

    // Flushes the content to disk, renames the file over the target and flushes the folder.
    // A failure before the rename leaves the target untouched and is the platform's error; a
    // failed flush after it is Platform::UnfinishedWrite::renamed.
    [[nodiscard]] EditorCore::Result<void, std::error_code> commit();

    // Whether `entry` is the name of one of our temporary files of a file named `targetName`.
    static bool isTemporaryName(std::string_view entry, std::string_view targetName);
    // Removes the temporary files of `target` that no process is writing any more, leaving
    // everything else in the folder alone. Failures are ignored.
    static void removeStrays(const std::filesystem::path& target);
    // The same for the temporary files of every name in `folder`.
    static void removeStraysInFolder(const std::filesystem::path& folder);

private:
    TemporaryFile(std::filesystem::path target, SaveCalls calls);
    void discard();

    std::filesystem::path m_target;
    std::filesystem::path m_name; // empty while the file has no name
    SaveCalls m_calls;
    int m_fd = -1;
};

} // namespace EditorDocuments
