#include "app/documents/TemporaryFile.h"

#include "platform/Files.h"
#include "platform/Uuid.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace EditorDocuments {

namespace {

using Platform::lastError;

constexpr std::string_view marker = ".olv-";
constexpr std::size_t suffixLength = 6;

std::filesystem::path folderOf(const std::filesystem::path& target)
{
    auto folder = target.parent_path();
    return folder.empty() ? std::filesystem::path(".") : folder;
}

bool isLetterOrDigit(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Six random letters or digits, as mkstemp would choose.
std::string randomSuffix()
{
    static constexpr std::string_view alphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    const auto random = Platform::Uuid::random();
    std::string suffix;
    for (std::size_t i = 0; i < suffixLength; ++i)
        suffix += alphabet[random.bytes[i] % alphabet.size()];
    return suffix;
}

std::string prefixOf(const std::filesystem::path& target)
{
    return "." + target.filename().string() + std::string(marker);
}

bool isUnsupported(int error)
{
    return error == EOPNOTSUPP || error == EISDIR || error == EINVAL || error == ENOTSUP;
}

bool sameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Removes `name` in the open folder when it is a temporary file nobody holds: a regular file
// with one link whose lock we can take without waiting. A writer holds its lock until the file
// has its final name, and a file created a moment ago but not locked yet is checked by its
// writer after locking (see create).
void removeIfAbandoned(int folder, const char* name)
{
    int fd = ::openat(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0 && errno == EACCES)
        fd = ::openat(folder, name, O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat opened = {};
    struct stat named = {};
    if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && opened.st_nlink == 1
        && ::flock(fd, LOCK_EX | LOCK_NB) == 0
        && ::fstatat(folder, name, &named, AT_SYMLINK_NOFOLLOW) == 0 && sameFile(opened, named))
        ::unlinkat(folder, name, 0);
    ::close(fd);
}

template<class Matches>
void removeAbandoned(const std::filesystem::path& folderPath, Matches matches)
{
    int folder = ::open(folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        return;
    int listed = ::dup(folder);
    DIR* entries = listed >= 0 ? ::fdopendir(listed) : nullptr;
    if (entries == nullptr) {
        if (listed >= 0)
            ::close(listed);
        ::close(folder);
        return;
    }
    while (const dirent* entry = ::readdir(entries)) {
        if (matches(std::string_view(entry->d_name)))
            removeIfAbandoned(folder, entry->d_name);
    }
    ::closedir(entries);
    ::close(folder);
}

} // namespace

int SaveCalls::sync(int fd, const std::filesystem::path& path) const
{
    return fsync ? fsync(fd, path) : ::fsync(fd);
}

EditorCore::Result<void, std::error_code>
SaveCalls::syncFolder(const std::filesystem::path& folder) const
{
    if (!fsync)
        return Platform::syncFolder(folder);
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return EditorCore::failure(lastError());
    int synced = fsync(fd, folder);
    auto error = lastError();
    ::close(fd);
    if (synced != 0)
        return EditorCore::failure(error);
    return {};
}

TemporaryFile::TemporaryFile(std::filesystem::path target, SaveCalls calls)
    : m_target(std::move(target))
    , m_calls(std::move(calls))
{}

TemporaryFile::TemporaryFile(TemporaryFile&& other) noexcept
    : m_target(std::move(other.m_target))
    , m_name(std::move(other.m_name))
    , m_calls(std::move(other.m_calls))
    , m_fd(other.m_fd)
{
    other.m_fd = -1;
    other.m_name.clear();
}

TemporaryFile::~TemporaryFile()
{
    discard();
}

void TemporaryFile::discard()
{
    if (!m_name.empty())
        ::unlink(m_name.c_str());
    m_name.clear();
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

EditorCore::Result<TemporaryFile, std::error_code>
TemporaryFile::create(const std::filesystem::path& target, const SaveCalls& calls, mode_t mode)
{
    const auto folder = folderOf(target);
    TemporaryFile file(target, calls);

    const int flags = O_TMPFILE | O_RDWR | O_CLOEXEC;
    int fd = calls.openUnnamed ? calls.openUnnamed(folder, flags, mode)
                               : ::open(folder.c_str(), flags, mode);
    if (fd >= 0) {
        // The name is given through /proc; without it the file could never get one.
        const auto self = "/proc/self/fd/" + std::to_string(fd);
        if (::access(self.c_str(), F_OK) == 0 && ::flock(fd, LOCK_EX) == 0) {
            file.m_fd = fd;
            return file;
        }
        ::close(fd);
    } else if (!isUnsupported(errno)) {
        return EditorCore::failure(lastError());
    }

    // A named file. Between its creation and the lock another process's clean-up may take it
    // for a stray and remove it; then the name no longer leads to it and a new one is made.
    for (int attempt = 0; attempt < 8; ++attempt) {
        std::string pattern = (folder / (prefixOf(target) + "XXXXXX")).string();
        fd = ::mkostemp(pattern.data(), O_CLOEXEC);
        if (fd < 0)
            return EditorCore::failure(lastError());
        struct stat opened = {};
        struct stat named = {};
        if (::flock(fd, LOCK_EX) == 0 && ::fstat(fd, &opened) == 0
            && ::lstat(pattern.c_str(), &named) == 0 && sameFile(opened, named)) {
            file.m_fd = fd;
            file.m_name = pattern;
            if (mode != 0600 && ::fchmod(fd, mode) != 0) {
                auto error = lastError();
                file.discard();
                return EditorCore::failure(error);
            }
            return file;
        }
        ::close(fd);
    }
    return EditorCore::failure(std::make_error_code(std::errc::resource_unavailable_try_again));
}

EditorCore::Result<void, std::error_code> TemporaryFile::commit()
{
    if (m_calls.sync(m_fd, m_target) != 0) {
        auto error = lastError();
        discard();
        return EditorCore::failure(error);
    }
    const auto folder = folderOf(m_target);
    if (m_name.empty()) {
        const auto self = "/proc/self/fd/" + std::to_string(m_fd);
        for (int attempt = 0;; ++attempt) {
            auto name = folder / (prefixOf(m_target) + randomSuffix());
            if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
                m_name = name;
                break;
            }
            if (errno != EEXIST || attempt == 8) {
                auto error = lastError();
                discard();
                return EditorCore::failure(error);
            }
        }
    }
    if (::rename(m_name.c_str(), m_target.c_str()) != 0) {
        auto error = lastError();
        discard();
        return EditorCore::failure(error);
    }
    m_name.clear();
    // The lock goes with the descriptor, once the file is no longer a temporary one.
    int closed = ::close(m_fd);
    m_fd = -1;
    if (closed != 0)
        return EditorCore::failure(
            Platform::unfinishedWriteError(errno, Platform::UnfinishedWrite::renamed));
    if (auto synced = m_calls.syncFolder(folder); !synced)
        return EditorCore::failure(Platform::unfinishedWriteError(
            synced.error().value(), Platform::UnfinishedWrite::renamed));
    return {};
}

bool TemporaryFile::isTemporaryName(std::string_view entry, std::string_view targetName)
{
    const std::size_t prefixLength = 1 + targetName.size() + marker.size();
    if (entry.size() != prefixLength + suffixLength || entry.front() != '.'
        || entry.substr(1, targetName.size()) != targetName
        || entry.substr(1 + targetName.size(), marker.size()) != marker)
        return false;
    for (char c : entry.substr(prefixLength))
        if (!isLetterOrDigit(c))
            return false;
    return true;
}

void TemporaryFile::removeStrays(const std::filesystem::path& target)
{
    const auto name = target.filename().string();
    removeAbandoned(folderOf(target),
                    [&](std::string_view entry) { return isTemporaryName(entry, name); });
}

void TemporaryFile::removeStraysInFolder(const std::filesystem::path& folder)
{
    removeAbandoned(folder, [](std::string_view entry) {
        if (entry.size() < 1 + marker.size() + suffixLength || entry.front() != '.')
            return false;
        auto name = entry.substr(1, entry.size() - 1 - marker.size() - suffixLength);
        return isTemporaryName(entry, name);
    });
}

} // namespace EditorDocuments
