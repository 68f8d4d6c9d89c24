#include "store/FolderOperations.h"

#include "platform/Files.h"
#include "platform/Trash.h"
#include "store/StoredValues.h"

#include <unicode/locid.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace EditorStore {
namespace {

using Platform::lastError;

// Follows symbolic links, so a broken link is no item.
bool itemExists(const std::filesystem::path& path)
{
    struct stat info = {};
    return ::stat(path.c_str(), &info) == 0;
}

bool sameInode(const std::filesystem::path& a, const std::filesystem::path& b)
{
    struct stat first = {}, second = {};
    return ::lstat(a.c_str(), &first) == 0 && ::lstat(b.c_str(), &second) == 0
           && first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

bool folderHasName(const std::filesystem::path& folder, const std::string& name)
{
    DIR* listing = ::opendir(folder.c_str());
    if (listing == nullptr)
        return false;
    bool found = false;
    while (dirent* entry = ::readdir(listing)) {
        if (name == entry->d_name) {
            found = true;
            break;
        }
    }
    ::closedir(listing);
    return found;
}

std::u16string lowered(const std::string& name)
{
    icu::UnicodeString text = icu::UnicodeString::fromUTF8(name);
    text.toLower(icu::Locale::getRoot());
    return std::u16string(reinterpret_cast<const char16_t*>(text.getBuffer()),
                          static_cast<std::size_t>(text.length()));
}

std::filesystem::path withoutTrailingSlash(const std::filesystem::path& path)
{
    auto normal = path.lexically_normal();
    if (normal.has_relative_path() && normal.filename().empty())
        normal = normal.parent_path();
    return normal;
}

} // namespace

std::string FolderOperationError::message() const
{
    switch (kind) {
    case Kind::alreadyExists:
        return "「" + name + "」 이(가) 이미 있어요.";
    case Kind::emptyName:
        return "이름이 비어 있어요.";
    case Kind::invalidName:
        return "이름에 / 나 : 는 쓸 수 없어요.";
    }
    return {};
}

namespace FolderOperations {

std::filesystem::path
uniqueName(const std::filesystem::path& folder, std::string_view base, std::string_view extension)
{
    std::string suffix = extension.empty() ? std::string() : "." + std::string(extension);
    auto candidate = folder / (std::string(base) + suffix);
    for (unsigned long long number = 2; itemExists(candidate); ++number)
        candidate = folder / (std::string(base) + " " + std::to_string(number) + suffix);
    return candidate;
}

EditorCore::Result<std::filesystem::path, std::error_code>
createFile(const std::filesystem::path& folder, std::string_view base, std::string_view extension)
{
    auto path = uniqueName(folder, base, extension);
    // O_EXCL also refuses a symbolic link, broken or not, under the chosen name.
    int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor < 0)
        return EditorCore::failure(lastError());
    if (::close(descriptor) != 0) {
        auto error = lastError();
        ::unlink(path.c_str());
        return EditorCore::failure(error);
    }
    return path;
}

EditorCore::Result<std::filesystem::path, std::error_code>
createFolder(const std::filesystem::path& folder, std::string_view name)
{
    auto path = uniqueName(folder, name, {});
    if (::mkdir(path.c_str(), 0777) != 0)
        return EditorCore::failure(lastError());
    return path;
}

EditorCore::Result<std::filesystem::path, FolderOperationFailure>
rename(const std::filesystem::path& item,
       std::string_view newName,
       Platform::Renameat2Function renameat2Call)
{
    auto checked = validateName(newName);
    if (!checked)
        return EditorCore::failure(FolderOperationFailure(checked.error()));
    auto source = withoutTrailingSlash(item);
    auto oldName = source.filename().string();
    auto destination = source.parent_path() / *checked;
    if (canonicallyEquivalent(oldName, *checked))
        return item;
    bool caseChangeOnly = lowered(oldName) == lowered(*checked);
    if (itemExists(destination) && !caseChangeOnly)
        return EditorCore::failure(
            FolderOperationFailure(FolderOperationError::alreadyExists(*checked)));

    auto moved = Platform::renameWithoutReplacing(source, destination, renameat2Call);
    if (moved)
        return destination;
    // A file system that ignores letter case finds the item itself under the new name.
    if (moved.error() == std::errc::file_exists && caseChangeOnly
        && sameInode(source, destination)) {
        if (::rename(source.c_str(), destination.c_str()) != 0)
            return EditorCore::failure(FolderOperationFailure(lastError()));
        // Two hard links of one file: rename(2) leaves both in place and reports success.
        if (folderHasName(source.parent_path(), oldName))
            return EditorCore::failure(
                FolderOperationFailure(std::make_error_code(std::errc::file_exists)));
        return destination;
    }
    return EditorCore::failure(FolderOperationFailure(moved.error()));
}

EditorCore::Result<std::optional<std::filesystem::path>, std::error_code>
trash(const std::filesystem::path& item)
{
    auto moved = Platform::Trash::moveToTrash(item);
    if (!moved)
        return EditorCore::failure(moved.error());
    return std::optional(std::move(*moved));
}

EditorCore::Result<std::string, FolderOperationError> validateName(std::string_view name)
{
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(name.data());
    auto length = static_cast<std::int32_t>(std::min<std::size_t>(name.size(), INT32_MAX));
    std::int32_t start = 0, end = length;
    while (start < end) {
        std::int32_t next = start;
        UChar32 c = 0;
        U8_NEXT(bytes, next, end, c);
        if (c < 0 || !u_isUWhiteSpace(c))
            break;
        start = next;
    }
    while (end > start) {
        std::int32_t previous = end;
        UChar32 c = 0;
        U8_PREV(bytes, start, previous, c);
        if (c < 0 || !u_isUWhiteSpace(c))
            break;
        end = previous;
    }
    std::string trimmed(
        name.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start)));
    if (trimmed.empty())
        return EditorCore::failure(FolderOperationError::emptyName());
    if (trimmed.find_first_of("/:") != std::string::npos || trimmed == "." || trimmed == "..")
        return EditorCore::failure(FolderOperationError::invalidName());
    return trimmed;
}

} // namespace FolderOperations

std::ostream& operator<<(std::ostream& out, const FolderOperationError& error)
{
    return out << error.message();
}

std::ostream& operator<<(std::ostream& out, const FolderOperationFailure& failure)
{
    if (const auto* error = std::get_if<FolderOperationError>(&failure))
        return out << *error;
    const auto& code = std::get<std::error_code>(failure);
    return out << code.category().name() << '(' << code.value() << "): " << code.message();
}

} // namespace EditorStore
