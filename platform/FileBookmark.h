#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

namespace Platform {

// What stands in for a platform file bookmark: the device and inode of a file and the path it
// had. It finds a file again after a rename within its folder. Stored as opaque bytes.
struct FileBookmark
{
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::filesystem::path path; // absolute, without . and .. segments

    // The bookmark of the item at `path` (symbolic links followed); none when it cannot be
    // examined, a missing file included.
    static std::optional<FileBookmark> make(const std::filesystem::path& path);

    // The present path of the item: the recorded path while it still leads to the same device
    // and inode, else the entry of the recorded folder that does; none when neither does.
    std::optional<std::filesystem::path> resolve() const;

    std::vector<std::uint8_t> bytes() const;
    // None for bytes that no bookmark of ours gave.
    static std::optional<FileBookmark> fromBytes(std::span<const std::uint8_t> bytes);

    bool operator==(const FileBookmark&) const = default;
};

} // namespace Platform
