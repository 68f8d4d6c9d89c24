#pragma once

#include "core/Result.h"

#include <filesystem>
#include <ostream>
#include <string>
#include <system_error>
#include <vector>

namespace EditorStore {

// One item of a listed folder.
struct FolderEntry
{
    std::filesystem::path url; // the folder's path with the name appended
    std::string name;
    bool isFolder = false; // can be expanded: a folder, or a link that leads to one
    bool isHidden = false; // the name starts with "."

    bool operator==(const FolderEntry&) const = default;
};

enum class HiddenItems { leftOut, shown };

// The immediate children of a folder in the folder sidebar's order: folders first, then
// files, each by name as a file browser orders them (letter case ignored, runs of digits by
// their value, the user's locale).
namespace FolderListing {

// Fails only when the folder itself cannot be read. An item whose attributes cannot be read
// is listed as a file.
[[nodiscard]] EditorCore::Result<std::vector<FolderEntry>, std::error_code>
list(const std::filesystem::path& folder, HiddenItems hiddenItems);

// Stable: names that compare the same keep their order.
std::vector<FolderEntry> sorted(std::vector<FolderEntry> entries);

} // namespace FolderListing

std::ostream& operator<<(std::ostream&, const FolderEntry&);

} // namespace EditorStore
