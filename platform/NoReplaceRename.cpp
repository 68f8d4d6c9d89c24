#include "platform/NoReplaceRename.h"

#include "platform/Files.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Platform {
namespace {

EditorCore::Result<void, std::error_code> renameAfterCheck(const std::filesystem::path& from,
                                                           const std::filesystem::path& to)
{
    struct stat info = {};
    if (::lstat(to.c_str(), &info) == 0)
        return EditorCore::failure(std::make_error_code(std::errc::file_exists));
    if (errno != ENOENT)
        return EditorCore::failure(lastError());
    if (::rename(from.c_str(), to.c_str()) != 0)
        return EditorCore::failure(lastError());
    return {};
}

} // namespace

EditorCore::Result<void, std::error_code> renameWithoutReplacing(const std::filesystem::path& from,
                                                                 const std::filesystem::path& to,
                                                                 Renameat2Function renameat2Call)
{
    if (renameat2Call == nullptr)
        renameat2Call = ::renameat2;
    if (renameat2Call(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return {};
    if (errno != EINVAL && errno != ENOSYS)
        return EditorCore::failure(lastError());

    struct stat info = {};
    if (::lstat(from.c_str(), &info) != 0)
        return EditorCore::failure(lastError());
    if (S_ISDIR(info.st_mode))
        return renameAfterCheck(from, to);
    // linkat without AT_SYMLINK_FOLLOW links a symbolic link itself, as a rename would move it.
    if (::linkat(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), 0) != 0) {
        // A file system without hard links: the checked rename is all that is left.
        if (errno == EPERM || errno == EOPNOTSUPP)
            return renameAfterCheck(from, to);
        return EditorCore::failure(lastError());
    }
    if (::unlink(from.c_str()) != 0) {
        auto error = lastError();
        ::unlink(to.c_str());
        return EditorCore::failure(error);
    }
    return {};
}

} // namespace Platform
