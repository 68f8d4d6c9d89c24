#include "finder/EditorLocator.h"

#include <cstdlib>
#include <dlfcn.h>
#include <glib.h>
#include <unistd.h>

#ifndef OLV_FINDER_APP_FROM_MODULE
#define OLV_FINDER_APP_FROM_MODULE "../../../orlune-viewer/orlune-viewer"
#endif

namespace OrluneViewerFinder::EditorLocator {
namespace {

bool isRunnable(const std::filesystem::path& file)
{
    std::error_code error;
    return file.is_absolute() && std::filesystem::is_regular_file(file, error)
           && ::access(file.c_str(), X_OK) == 0;
}

std::vector<std::filesystem::path> splitFolders(const char* value)
{
    std::vector<std::filesystem::path> folders;
    if (value == nullptr)
        return folders;
    std::string_view rest(value);
    while (true) {
        auto colon = rest.find(':');
        auto part = rest.substr(0, colon);
        // Relative entries mean nothing to a file manager's process.
        if (!part.empty() && part.front() == '/')
            folders.emplace_back(part);
        if (colon == std::string_view::npos)
            break;
        rest.remove_prefix(colon + 1);
    }
    return folders;
}

std::optional<std::filesystem::path> onPath(std::string_view name,
                                            const std::vector<std::filesystem::path>& folders)
{
    for (const auto& folder : folders) {
        auto candidate = folder / name;
        if (isRunnable(candidate))
            return candidate;
    }
    return std::nullopt;
}

std::string joined(const std::vector<std::filesystem::path>& folders)
{
    std::string text;
    for (const auto& folder : folders) {
        if (!text.empty())
            text += ':';
        text += folder.string();
    }
    return text.empty() ? "(none)" : text;
}

// Any function of this library: its address tells which file it was loaded from.
void anchor() {}

} // namespace

std::string_view rawValue(Source source)
{
    switch (source) {
    case Source::desktopEntry:
        return "desktop entry";
    case Source::besideModule:
        return "beside the module";
    case Source::path:
        return "PATH";
    }
    return "?";
}

std::optional<std::filesystem::path>
desktopEntryProgram(const std::filesystem::path& entryFile,
                    const std::vector<std::filesystem::path>& pathFolders)
{
    GKeyFile* keys = g_key_file_new();
    std::optional<std::filesystem::path> program;
    const char* group = G_KEY_FILE_DESKTOP_GROUP;
    if (g_key_file_load_from_file(keys, entryFile.c_str(), G_KEY_FILE_NONE, nullptr)
        && !g_key_file_get_boolean(keys, group, G_KEY_FILE_DESKTOP_KEY_HIDDEN, nullptr)) {
        // The string escapes are undone by the key file, the Exec quoting by the shell rules
        // the desktop-entry format borrows.
        char* exec = g_key_file_get_string(keys, group, G_KEY_FILE_DESKTOP_KEY_EXEC, nullptr);
        int count = 0;
        char** argv = nullptr;
        if (exec != nullptr && g_shell_parse_argv(exec, &count, &argv, nullptr) && count > 0) {
            std::string first;
            // "%%" is a literal "%".
            for (const char* c = argv[0]; *c != '\0'; ++c) {
                if (c[0] == '%' && c[1] == '%')
                    ++c;
                first += *c;
            }
            if (!first.empty() && first.front() == '/')
                program = std::filesystem::path(first);
            else if (!first.empty() && first.find('/') == std::string::npos)
                program = onPath(first, pathFolders);
        }
        g_strfreev(argv);
        g_free(exec);
    }
    g_key_file_free(keys);
    return program;
}

std::optional<Found> find(const Places& places)
{
    for (const auto& folder : places.dataFolders) {
        auto entry = folder / "applications" / desktopEntryName;
        std::error_code error;
        if (!std::filesystem::exists(entry, error))
            continue;
        // The first entry found is the one the desktop uses; the later ones are shadowed.
        if (auto program = desktopEntryProgram(entry, places.pathFolders);
            program && isRunnable(*program))
            return Found{*program, Source::desktopEntry};
        break;
    }
    if (places.moduleFolder && !places.applicationFromModule.empty()) {
        auto beside = (*places.moduleFolder / places.applicationFromModule).lexically_normal();
        if (isRunnable(beside))
            return Found{beside, Source::besideModule};
    }
    if (auto program = onPath(applicationName, places.pathFolders))
        return Found{*program, Source::path};
    // `olv` on the path lives in the installation's folder, beside the application.
    if (auto olv = onPath("olv", places.pathFolders)) {
        std::error_code error;
        auto real = std::filesystem::canonical(*olv, error);
        if (!error) {
            auto beside = real.parent_path() / applicationName;
            if (isRunnable(beside))
                return Found{beside, Source::path};
        }
    }
    return std::nullopt;
}

std::string describe(const Places& places)
{
    std::vector<std::filesystem::path> entries;
    for (const auto& folder : places.dataFolders)
        entries.push_back(folder / "applications" / desktopEntryName);
    std::string beside = "(unknown)";
    if (places.moduleFolder)
        beside = (*places.moduleFolder / places.applicationFromModule).lexically_normal().string();
    return "desktop entries " + joined(entries) + "; beside the module " + beside + "; PATH "
           + joined(places.pathFolders);
}

Places defaultPlaces()
{
    Places places;
    // The folders GLib names are those the desktop reads: $XDG_DATA_HOME (or ~/.local/share)
    // and $XDG_DATA_DIRS (or /usr/local/share:/usr/share).
    places.dataFolders.emplace_back(g_get_user_data_dir());
    for (const char* const* folder = g_get_system_data_dirs(); *folder != nullptr; ++folder)
        places.dataFolders.emplace_back(*folder);
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&anchor), &info) != 0 && info.dli_fname != nullptr) {
        std::error_code error;
        auto module = std::filesystem::canonical(info.dli_fname, error);
        if (!error)
            places.moduleFolder = module.parent_path();
    }
    places.applicationFromModule = OLV_FINDER_APP_FROM_MODULE;
    places.pathFolders = splitFolders(std::getenv("PATH"));
    return places;
}

} // namespace OrluneViewerFinder::EditorLocator
