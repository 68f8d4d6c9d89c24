#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <span>

namespace EditorCore {

struct DiskIdentityComparison;

// What is known of a file on disk when it is read or written, to tell later whether someone
// else changed it. Equal when number, size and date are equal and the hashes are both absent or
// both present and equal.
struct DiskIdentity
{
    // Modification dates compare to the nanosecond.
    using Date = std::chrono::time_point<std::chrono::system_clock, std::chrono::nanoseconds>;

    enum class Change { same, changed, missing };

    // The result of `compare`: the change and the identity to keep from now on.
    using Comparison = DiskIdentityComparison;

    // Documents hash files up to this size (100 MiB) when they read them and when they compare a
    // hashed identity.
    static constexpr std::uint64_t documentHashLimit = 104'857'600;

    std::uint64_t fileID = 0; // inode number; 0 when the platform reports none
    std::uint64_t size = 0;   // bytes
    Date modifiedAt{};
    // FNV-1a 64 of the bytes; absent when the file was larger than the hash limit, is not a
    // regular file, or could not be read.
    std::optional<std::uint64_t> contentHash;

    bool operator==(const DiskIdentity&) const = default;

    // Follows symbolic links. None when the attributes cannot be had. Files of at most
    // `hashLimit` bytes are hashed, so a limit of 0 still hashes an empty file. Blocks on the
    // file system; run it off the main thread.
    [[nodiscard]] static std::optional<DiskIdentity> read(const std::filesystem::path& path,
                                                          std::uint64_t hashLimit);
    // The file open as `fd`, whose bytes hash to `contentHash`: a writer hashes its bytes on
    // their way in and takes this before it lets go of the file, so that a change another
    // program makes afterwards cannot slip into it. None when the attributes cannot be had; no
    // hash for what is not a regular file.
    [[nodiscard]] static std::optional<DiskIdentity>
    ofOpenFile(int fd, std::optional<std::uint64_t> contentHash);
    // Unchanged metadata is `same` without reading the bytes; otherwise the bytes decide when
    // both the stored and the present identity carry a hash.
    [[nodiscard]] static Comparison compare(const DiskIdentity& stored,
                                            const std::filesystem::path& path);
    static std::uint64_t fnv1a(std::span<const std::uint8_t> bytes);
    // The hash of bytes read in pieces: start from `fnv1aStart`, feed each piece in order.
    static constexpr std::uint64_t fnv1aStart = 0xCBF29CE484222325ULL;
    static std::uint64_t fnv1a(std::uint64_t hash, std::span<const std::uint8_t> bytes);
};

struct DiskIdentityComparison
{
    DiskIdentity::Change change = DiskIdentity::Change::missing;
    // Absent when the file is missing.
    std::optional<DiskIdentity> identity;
    bool operator==(const DiskIdentityComparison&) const = default;
};

std::ostream& operator<<(std::ostream&, DiskIdentity::Change);
std::ostream& operator<<(std::ostream&, const DiskIdentity&);

} // namespace EditorCore
