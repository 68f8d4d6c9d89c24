#include "platform/Trash.h"

#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/NoReplaceRename.h"

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace Platform::Trash {
namespace {

constexpr mode_t privateFolder = 0700;

bool isUsableFolder(const std::filesystem::path& path)
{
    struct stat info = {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The device of the path, or of its nearest existing ancestor.
std::optional<dev_t> deviceOf(std::filesystem::path path)
{
    for (;;) {
        struct stat info = {};
        if (::stat(path.c_str(), &info) == 0)
            return info.st_dev;
        if (!path.has_relative_path())
            return std::nullopt;
        path = path.parent_path();
    }
}

// The highest folder above the item that is still on the item's device: the mount point.
std::filesystem::path topDirectoryOf(const std::filesystem::path& item, dev_t device)
{
    auto top = item.parent_path();
    while (top.has_relative_path()) {
        struct stat info = {};
        if (::stat(top.parent_path().c_str(), &info) != 0 || info.st_dev != device)
            break;
        top = top.parent_path();
    }
    return top;
}

// RFC 2396 escaping, which the Path key asks for; the slashes stay.
std::string escapedPath(const std::string& path)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : path) {
        bool unreserved =
            (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')
            || std::string_view("-_.!~*'()/").find(static_cast<char>(c)) != std::string_view::npos;
        if (unreserved) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::string deletionDate()
{
    std::time_t now = std::time(nullptr);
    std::tm local = {};
    ::localtime_r(&now, &local);
    char text[32] = {};
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

std::string candidateName(const std::filesystem::path& name, unsigned number)
{
    if (number == 1)
        return name.string();
    return name.stem().string() + " " + std::to_string(number) + name.extension().string();
}

} // namespace

std::filesystem::path homeTrash()
{
    return Folders::dataHome() / "Trash";
}

EditorCore::Result<Location, std::error_code>
topDirectoryTrash(const std::filesystem::path& topDirectory, uid_t uid)
{
    auto shared = topDirectory / ".Trash";
    struct stat info = {};
    if (::lstat(shared.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && (info.st_mode & S_ISVTX)) {
        auto own = shared / std::to_string(uid);
        if (::mkdir(own.c_str(), privateFolder) == 0 || errno == EEXIST) {
            if (isUsableFolder(own))
                return Location{own, topDirectory};
        }
    }
    auto own = topDirectory / (".Trash-" + std::to_string(uid));
    if (::mkdir(own.c_str(), privateFolder) != 0 && errno != EEXIST)
        return EditorCore::failure(lastError());
    if (::lstat(own.c_str(), &info) != 0)
        return EditorCore::failure(lastError());
    if (!S_ISDIR(info.st_mode) || info.st_uid != uid)
        return EditorCore::failure(std::make_error_code(std::errc::permission_denied));
    return Location{own, topDirectory};
}

EditorCore::Result<Location, std::error_code> locationFor(const std::filesystem::path& item)
{
    std::error_code error;
    auto absolute = std::filesystem::absolute(item, error).lexically_normal();
    if (error)
        return EditorCore::failure(error);
    struct stat info = {};
    if (::lstat(absolute.c_str(), &info) != 0)
        return EditorCore::failure(lastError());
    auto home = homeTrash();
    if (deviceOf(home) == info.st_dev)
        return Location{home, {}};
    return topDirectoryTrash(topDirectoryOf(absolute, info.st_dev), ::getuid());
}

EditorCore::Result<std::filesystem::path, std::error_code>
moveToTrash(const std::filesystem::path& item)
{
    auto location = locationFor(item);
    if (!location)
        return EditorCore::failure(location.error());
    return moveToTrash(item, *location);
}

EditorCore::Result<std::filesystem::path, std::error_code>
moveToTrash(const std::filesystem::path& item, const Location& location)
{
    std::error_code error;
    auto absolute = std::filesystem::absolute(item, error).lexically_normal();
    if (error)
        return EditorCore::failure(error);
    if (absolute.filename().empty())
        absolute = absolute.parent_path();
    struct stat info = {};
    if (::lstat(absolute.c_str(), &info) != 0)
        return EditorCore::failure(lastError());

    auto files = location.folder / "files";
    auto infoFolder = location.folder / "info";
    for (const auto& folder : {files, infoFolder}) {
        if (auto made = createFolders(folder, privateFolder); !made)
            return EditorCore::failure(made.error());
    }

    std::string recorded = absolute.string();
    if (!location.topDirectory.empty()) {
        auto relative = absolute.lexically_relative(location.topDirectory);
        if (!relative.empty() && *relative.begin() != "..")
            recorded = relative.string();
    }
    std::string record =
        "[Trash Info]\nPath=" + escapedPath(recorded) + "\nDeletionDate=" + deletionDate() + "\n";

    auto name = absolute.filename();
    for (unsigned number = 1;; ++number) {
        auto candidate = candidateName(name, number);
        auto infoFile = infoFolder / (candidate + ".trashinfo");
        // The info file is made first and exclusively: it reserves the name among other
        // programs trashing at the same time.
        int descriptor =
            ::open(infoFile.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (descriptor < 0) {
            if (errno == EEXIST)
                continue;
            return EditorCore::failure(lastError());
        }
        bool written = writeAll(descriptor, record);
        auto writeError = lastError();
        if (::close(descriptor) != 0 && written) {
            written = false;
            writeError = lastError();
        }
        if (!written) {
            ::unlink(infoFile.c_str());
            return EditorCore::failure(writeError);
        }
        auto target = files / candidate;
        auto moved = renameWithoutReplacing(absolute, target);
        if (moved)
            return target;
        ::unlink(infoFile.c_str());
        if (moved.error() != std::errc::file_exists)
            return EditorCore::failure(moved.error());
    }
}

} // namespace Platform::Trash
