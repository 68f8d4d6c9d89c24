#pragma once

#include "core/Result.h"

#include <filesystem>
#include <sys/types.h>
#include <system_error>

// Moving items to the Trash by the freedesktop.org Trash standard: the item goes to
// <trash>/files/<name> beside <trash>/info/<name>.trashinfo, which records where it was and
// when it was deleted.
namespace Platform::Trash {

// One trash folder and the folder its recorded paths are relative to.
struct Location
{
    std::filesystem::path folder;
    // Empty for the home trash, whose records hold absolute paths; else the top folder of the
    // file system the trash serves, which its records are relative to.
    std::filesystem::path topDirectory;

    bool operator==(const Location&) const = default;
};

// $XDG_DATA_HOME/Trash.
std::filesystem::path homeTrash();

// The trash of a file system for one user: <top>/.Trash/<uid> when <top>/.Trash is a folder
// (not a symbolic link) with the sticky bit, else <top>/.Trash-<uid>. Creates the user's
// folder (mode 0700) when it is missing.
[[nodiscard]] EditorCore::Result<Location, std::error_code>
topDirectoryTrash(const std::filesystem::path& topDirectory, uid_t uid);

// The home trash for an item on the file system of $XDG_DATA_HOME, else the trash of the
// item's own file system, so that an item never has to be copied.
[[nodiscard]] EditorCore::Result<Location, std::error_code>
locationFor(const std::filesystem::path& item);

// Moves the item (a symbolic link itself, not its target) into the trash and gives its path
// there. The name in the trash is the item's name, or "<stem> <n><extension>" from n = 2 when
// that is taken. Nothing is left behind on failure.
[[nodiscard]] EditorCore::Result<std::filesystem::path, std::error_code>
moveToTrash(const std::filesystem::path& item);
[[nodiscard]] EditorCore::Result<std::filesystem::path, std::error_code>
moveToTrash(const std::filesystem::path& item, const Location& location);

} // namespace Platform::Trash
