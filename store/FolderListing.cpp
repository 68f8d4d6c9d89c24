#include "store/FolderListing.h"

#include "store/StoredValues.h"

#include <unicode/coll.h>

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <string_view>
#include <sys/stat.h>

namespace EditorStore {
namespace {

// Case-insensitive (accents still count), numbers by value, in the user's locale: the order
// of names in a file browser.
std::unique_ptr<icu::Collator> nameCollator()
{
    // The C locale maps to en_US_POSIX, whose collation is code-point order with capitals
    // first: no file browser's order. The root order stands in for it.
    auto locale = icu::Locale::getDefault();
    if (std::string_view(locale.getVariant()) == "POSIX")
        locale = icu::Locale::getRoot();
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Collator> collator(icu::Collator::createInstance(locale, status));
    if (U_FAILURE(status) || !collator)
        return nullptr;
    collator->setStrength(icu::Collator::SECONDARY);
    collator->setAttribute(UCOL_NUMERIC_COLLATION, UCOL_ON, status);
    if (U_FAILURE(status))
        return nullptr;
    return collator;
}

} // namespace

namespace FolderListing {

EditorCore::Result<std::vector<FolderEntry>, std::error_code>
list(const std::filesystem::path& folder, HiddenItems hiddenItems)
{
    int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0)
        return EditorCore::failure(std::error_code(errno, std::generic_category()));
    DIR* listing = ::fdopendir(descriptor);
    if (listing == nullptr) {
        auto error = std::error_code(errno, std::generic_category());
        ::close(descriptor);
        return EditorCore::failure(error);
    }
    std::vector<FolderEntry> entries;
    for (;;) {
        errno = 0;
        dirent* item = ::readdir(listing);
        if (item == nullptr) {
            if (errno != 0) {
                auto error = std::error_code(errno, std::generic_category());
                ::closedir(listing);
                return EditorCore::failure(error);
            }
            break;
        }
        std::string_view name = item->d_name;
        if (name == "." || name == "..")
            continue;
        FolderEntry entry;
        entry.url = folder / name;
        entry.name = name;
        entry.isHidden = name.starts_with('.');
        if (entry.isHidden && hiddenItems == HiddenItems::leftOut)
            continue;
        struct stat info = {};
        if (::fstatat(descriptor, item->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0) {
            if (S_ISLNK(info.st_mode)) {
                // Only a link that leads to a folder opens; a broken one is a file.
                entry.isFolder =
                    ::fstatat(descriptor, item->d_name, &info, 0) == 0 && S_ISDIR(info.st_mode);
            } else {
                entry.isFolder = S_ISDIR(info.st_mode);
            }
        }
        entries.push_back(std::move(entry));
    }
    ::closedir(listing);
    return sorted(std::move(entries));
}

std::vector<FolderEntry> sorted(std::vector<FolderEntry> entries)
{
    auto collator = nameCollator();
    struct Keyed
    {
        std::u16string name;
        FolderEntry* entry;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(entries.size());
    for (auto& entry : entries)
        keyed.push_back({utf16Repairing(entry.name), &entry});
    std::stable_sort(keyed.begin(), keyed.end(), [&](const Keyed& a, const Keyed& b) {
        if (a.entry->isFolder != b.entry->isFolder)
            return a.entry->isFolder;
        if (!collator)
            return a.entry->name < b.entry->name;
        UErrorCode status = U_ZERO_ERROR;
        auto order = collator->compare(a.name.data(),
                                       static_cast<std::int32_t>(a.name.size()),
                                       b.name.data(),
                                       static_cast<std::int32_t>(b.name.size()),
                                       status);
        return U_SUCCESS(status) && order == UCOL_LESS;
    });
    std::vector<FolderEntry> result;
    result.reserve(entries.size());
    for (auto& item : keyed)
        result.push_back(std::move(*item.entry));
    return result;
}

} // namespace FolderListing

std::ostream& operator<<(std::ostream& out, const FolderEntry& entry)
{
    return out << '{' << entry.url << ", " << entry.name << (entry.isFolder ? ", folder" : "")
               << (entry.isHidden ? ", hidden" : "") << '}';
}

} // namespace EditorStore
