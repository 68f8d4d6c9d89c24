#include "platform/FileBookmark.h"

#include <array>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>

namespace Platform {
namespace {

// A tag and a version, so that bytes of another kind never pass for a bookmark.
constexpr std::array<std::uint8_t, 8> magic = {'O', 'L', 'V', 'B', 'M', 'K', 0, 1};

void appendNumber(std::vector<std::uint8_t>& out, std::uint64_t value)
{
    for (int shift = 0; shift < 64; shift += 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

std::uint64_t readNumber(std::span<const std::uint8_t> bytes)
{
    std::uint64_t value = 0;
    for (int i = 7; i >= 0; --i)
        value = value << 8 | bytes[static_cast<std::size_t>(i)];
    return value;
}

bool isSameItem(const struct stat& info, const FileBookmark& bookmark)
{
    return static_cast<std::uint64_t>(info.st_dev) == bookmark.device
           && static_cast<std::uint64_t>(info.st_ino) == bookmark.inode;
}

} // namespace

std::optional<FileBookmark> FileBookmark::make(const std::filesystem::path& path)
{
    std::error_code error;
    // Lexically, as the stores name files: "a/../b" is b even when a is missing.
    auto absolute = std::filesystem::absolute(path, error).lexically_normal();
    if (error)
        return std::nullopt;
    if (absolute.filename().empty() && absolute.has_relative_path())
        absolute = absolute.parent_path();
    struct stat info = {};
    if (::stat(absolute.c_str(), &info) != 0)
        return std::nullopt;
    FileBookmark bookmark;
    bookmark.device = static_cast<std::uint64_t>(info.st_dev);
    bookmark.inode = static_cast<std::uint64_t>(info.st_ino);
    bookmark.path = absolute;
    return bookmark;
}

std::optional<std::filesystem::path> FileBookmark::resolve() const
{
    if (!path.is_absolute())
        return std::nullopt;
    struct stat info = {};
    if (::stat(path.c_str(), &info) == 0 && isSameItem(info, *this))
        return path;

    auto folder = path.parent_path();
    DIR* listing = ::opendir(folder.c_str());
    if (listing == nullptr)
        return std::nullopt;
    std::optional<std::filesystem::path> found;
    int folderDescriptor = ::dirfd(listing);
    while (dirent* entry = ::readdir(listing)) {
        std::string_view name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        if (entry->d_type != DT_UNKNOWN && entry->d_type != DT_LNK
            && static_cast<std::uint64_t>(entry->d_ino) != inode)
            continue;
        if (::fstatat(folderDescriptor, entry->d_name, &info, 0) == 0 && isSameItem(info, *this)) {
            found = folder / entry->d_name;
            break;
        }
    }
    ::closedir(listing);
    return found;
}

std::vector<std::uint8_t> FileBookmark::bytes() const
{
    std::vector<std::uint8_t> out(magic.begin(), magic.end());
    appendNumber(out, device);
    appendNumber(out, inode);
    const auto& text = path.native();
    out.insert(out.end(), text.begin(), text.end());
    return out;
}

std::optional<FileBookmark> FileBookmark::fromBytes(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() <= magic.size() + 16
        || std::memcmp(bytes.data(), magic.data(), magic.size()) != 0)
        return std::nullopt;
    FileBookmark bookmark;
    bookmark.device = readNumber(bytes.subspan(magic.size(), 8));
    bookmark.inode = readNumber(bytes.subspan(magic.size() + 8, 8));
    auto text = bytes.subspan(magic.size() + 16);
    bookmark.path = std::string(text.begin(), text.end());
    if (!bookmark.path.is_absolute() || bookmark.path.native().find('\0') != std::string::npos)
        return std::nullopt;
    return bookmark;
}

} // namespace Platform
