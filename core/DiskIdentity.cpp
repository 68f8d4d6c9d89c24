#include "core/DiskIdentity.h"

#include "core/FileDescriptor.h"

#include <array>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace EditorCore {

namespace {

constexpr std::uint64_t fnvOffsetBasis = DiskIdentity::fnv1aStart;
constexpr std::uint64_t fnvPrime = 0x100000001B3ULL;

std::uint64_t fnv1aContinue(std::uint64_t hash, std::span<const std::uint8_t> bytes)
{
    for (std::uint8_t byte : bytes) {
        hash ^= byte;
        hash *= fnvPrime;
    }
    return hash;
}

DiskIdentity::Date modificationDate(const struct stat& status)
{
    const auto sinceEpoch = std::chrono::seconds(status.st_mtim.tv_sec)
                            + std::chrono::nanoseconds(status.st_mtim.tv_nsec);
    return DiskIdentity::Date(std::chrono::duration_cast<std::chrono::nanoseconds>(sinceEpoch));
}

// Streams the bytes through the hash with read(2): a mapped file that another program truncates
// would kill the process with SIGBUS. Hashes only the file that was stat'ed (a file swapped in
// between gets no hash) and gives up past `hashLimit` bytes, so a file that grows while it is
// read cannot keep the reader busy.
std::optional<std::uint64_t>
hashFile(const std::filesystem::path& path, const struct stat& status, std::uint64_t hashLimit)
{
    int fd = -1;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return std::nullopt;
    const FileDescriptor file(fd);

    struct stat opened
    {};
    if (::fstat(file.get(), &opened) != 0 || !S_ISREG(opened.st_mode)
        || opened.st_dev != status.st_dev || opened.st_ino != status.st_ino) {
        return std::nullopt;
    }

    std::array<std::uint8_t, 64 * 1024> buffer;
    std::uint64_t hash = fnvOffsetBasis;
    std::uint64_t total = 0;
    for (;;) {
        const ssize_t count = ::read(file.get(), buffer.data(), buffer.size());
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return std::nullopt;
        }
        if (count == 0)
            break;
        total += static_cast<std::uint64_t>(count);
        if (total > hashLimit)
            return std::nullopt;
        hash = fnv1aContinue(hash, std::span(buffer.data(), static_cast<std::size_t>(count)));
    }
    return hash;
}

} // namespace

std::uint64_t DiskIdentity::fnv1a(std::span<const std::uint8_t> bytes)
{
    return fnv1aContinue(fnvOffsetBasis, bytes);
}

std::uint64_t DiskIdentity::fnv1a(std::uint64_t hash, std::span<const std::uint8_t> bytes)
{
    return fnv1aContinue(hash, bytes);
}

namespace {

// What the attributes tell, without a hash.
DiskIdentity attributesOf(const struct stat& status)
{
    DiskIdentity identity;
    identity.fileID = static_cast<std::uint64_t>(status.st_ino);
    identity.size = static_cast<std::uint64_t>(status.st_size);
    identity.modifiedAt = modificationDate(status);
    return identity;
}

} // namespace

std::optional<DiskIdentity> DiskIdentity::read(const std::filesystem::path& path,
                                               std::uint64_t hashLimit)
{
    struct stat status
    {};
    if (path.empty() || ::stat(path.c_str(), &status) != 0)
        return std::nullopt;

    DiskIdentity identity = attributesOf(status);
    // Only regular files are read: a FIFO or a device reports size 0 and would block or never
    // end.
    if (S_ISREG(status.st_mode) && identity.size <= hashLimit)
        identity.contentHash = hashFile(path, status, hashLimit);
    return identity;
}

std::optional<DiskIdentity> DiskIdentity::ofOpenFile(int fd,
                                                     std::optional<std::uint64_t> contentHash)
{
    struct stat status
    {};
    if (fd < 0 || ::fstat(fd, &status) != 0)
        return std::nullopt;
    DiskIdentity identity = attributesOf(status);
    if (S_ISREG(status.st_mode))
        identity.contentHash = contentHash;
    return identity;
}

DiskIdentity::Comparison DiskIdentity::compare(const DiskIdentity& stored,
                                               const std::filesystem::path& path)
{
    const std::optional<DiskIdentity> present = read(path, 0);
    if (!present)
        return {Change::missing, std::nullopt};
    if (present->size == stored.size && present->modifiedAt == stored.modifiedAt
        && present->fileID == stored.fileID) {
        return {Change::same, stored};
    }

    const std::optional<DiskIdentity> renewed =
        read(path, stored.contentHash ? documentHashLimit : 0);
    if (!renewed)
        return {Change::missing, std::nullopt};
    const bool sameBytes = stored.contentHash && renewed->contentHash
                           && *stored.contentHash == *renewed->contentHash
                           && stored.size == renewed->size;
    return {sameBytes ? Change::same : Change::changed, renewed};
}

std::ostream& operator<<(std::ostream& out, DiskIdentity::Change change)
{
    switch (change) {
    case DiskIdentity::Change::same:
        return out << "same";
    case DiskIdentity::Change::changed:
        return out << "changed";
    case DiskIdentity::Change::missing:
        return out << "missing";
    }
    return out;
}

std::ostream& operator<<(std::ostream& out, const DiskIdentity& identity)
{
    out << "{fileID " << identity.fileID << ", size " << identity.size << ", modifiedAt "
        << identity.modifiedAt.time_since_epoch().count() << " ns, hash ";
    if (identity.contentHash)
        out << std::hex << "0x" << *identity.contentHash << std::dec;
    else
        out << "none";
    return out << "}";
}

} // namespace EditorCore
