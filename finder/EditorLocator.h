#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Finds the installed editor the way the desktop does, whatever prefix it was installed into:
// the desktop entry "app.orlune.viewer.desktop" of the data folders (the first one found
// decides, as it does for the desktop), then the application beside this module's own install
// place, then "orlune-viewer" on PATH (or the application beside an `olv` found there).
namespace OrluneViewerFinder::EditorLocator {

inline constexpr std::string_view desktopEntryName = "app.orlune.viewer.desktop";
inline constexpr std::string_view applicationName = "orlune-viewer";

struct Places
{
    // $XDG_DATA_HOME, then each folder of $XDG_DATA_DIRS.
    std::vector<std::filesystem::path> dataFolders;
    // The folder the module was loaded from; none when it is not known.
    std::optional<std::filesystem::path> moduleFolder;
    // The application as seen from the module's folder (set by the build).
    std::filesystem::path applicationFromModule;
    // The folders of $PATH.
    std::vector<std::filesystem::path> pathFolders;
};

enum class Source { desktopEntry, besideModule, path };
std::string_view rawValue(Source source); // "desktop entry", "beside the module", "PATH"

struct Found
{
    std::filesystem::path application;
    Source source = Source::desktopEntry;

    bool operator==(const Found&) const = default;
};

// The first runnable application of the places, in the order above.
std::optional<Found> find(const Places& places);

// The program that the entry file's Exec line starts (the key file's escapes and the Exec
// quoting undone, a bare name looked up in `pathFolders`); none when the file is missing,
// damaged or hidden, or names no program.
std::optional<std::filesystem::path>
desktopEntryProgram(const std::filesystem::path& entryFile,
                    const std::vector<std::filesystem::path>& pathFolders);

// What `find` looked through, for the system log.
std::string describe(const Places& places);

// From the environment, the loaded module and the build.
Places defaultPlaces();

} // namespace OrluneViewerFinder::EditorLocator
