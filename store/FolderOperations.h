#pragma once

#include "core/Result.h"
#include "platform/NoReplaceRename.h"

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <system_error>
#include <variant>

namespace EditorStore {

// The failures the folder operations find themselves; every other one is the system's.
struct FolderOperationError
{
    enum class Kind { alreadyExists, emptyName, invalidName };

    Kind kind = Kind::emptyName;
    std::string name; // the checked new name, for alreadyExists only

    static FolderOperationError alreadyExists(std::string name)
    {
        return {Kind::alreadyExists, std::move(name)};
    }
    static FolderOperationError emptyName() { return {Kind::emptyName, {}}; }
    static FolderOperationError invalidName() { return {Kind::invalidName, {}}; }

    // The Korean text the sidebar shows, which is also the key of its translations.
    std::string message() const;

    bool operator==(const FolderOperationError&) const = default;
};

using FolderOperationFailure = std::variant<FolderOperationError, std::error_code>;

// Creating, renaming and trashing items of a folder for the folder sidebar. None of them
// ever replaces an existing item: creation is exclusive and a rename refuses a taken name.
namespace FolderOperations {

// The folder's path with "<base><.extension>", or the first free "<base> <n><.extension>"
// from n = 2. A name held only by a broken symbolic link counts as free.
std::filesystem::path
uniqueName(const std::filesystem::path& folder, std::string_view base, std::string_view extension);

// An empty file under a free name; fails rather than replace an item that appeared since.
[[nodiscard]] EditorCore::Result<std::filesystem::path, std::error_code>
createFile(const std::filesystem::path& folder, std::string_view base, std::string_view extension);

[[nodiscard]] EditorCore::Result<std::filesystem::path, std::error_code>
createFolder(const std::filesystem::path& folder, std::string_view name);

// Renames within the item's folder to the checked name. The item's own name (canonically
// equivalent) does nothing; a change of letter case only is allowed even where the file
// system finds the item itself under the new name.
[[nodiscard]] EditorCore::Result<std::filesystem::path, FolderOperationFailure>
rename(const std::filesystem::path& item,
       std::string_view newName,
       Platform::Renameat2Function renameat2Call = nullptr);

// The item's path in the Trash.
[[nodiscard]] EditorCore::Result<std::optional<std::filesystem::path>, std::error_code>
trash(const std::filesystem::path& item);

// The name without white space and line breaks at either end; not empty, without "/" or
// ":", and neither "." nor "..".
[[nodiscard]] EditorCore::Result<std::string, FolderOperationError>
validateName(std::string_view name);

} // namespace FolderOperations

std::ostream& operator<<(std::ostream&, const FolderOperationError&);
std::ostream& operator<<(std::ostream&, const FolderOperationFailure&);

} // namespace EditorStore
