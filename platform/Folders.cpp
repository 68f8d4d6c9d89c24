#include "platform/Folders.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace Platform::Folders {
namespace {

std::filesystem::path absoluteVariable(const char* name)
{
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0')
        return {};
    std::filesystem::path path(value);
    if (!path.is_absolute())
        return {};
    return path;
}

std::filesystem::path xdgHome(const char* variable, const char* fallbackBelowHome)
{
    auto path = absoluteVariable(variable);
    if (!path.empty())
        return path;
    return home() / fallbackBelowHome;
}

} // namespace

std::filesystem::path home()
{
    auto path = absoluteVariable("HOME");
    if (!path.empty())
        return path;
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr
        && found->pw_dir != nullptr)
        return found->pw_dir;
    return "/";
}

std::filesystem::path dataHome()
{
    return xdgHome("XDG_DATA_HOME", ".local/share");
}

std::filesystem::path configHome()
{
    return xdgHome("XDG_CONFIG_HOME", ".config");
}

std::filesystem::path stateHome()
{
    return xdgHome("XDG_STATE_HOME", ".local/state");
}

std::filesystem::path preferencesFolder()
{
    return configHome() / "orlune-viewer";
}

std::filesystem::path applicationSupport()
{
    return dataHome() / "app.orlune.viewer";
}

std::filesystem::path logs()
{
    return stateHome() / "Orlune Viewer";
}

std::filesystem::path appGroupContainer(std::string_view groupIdentifier)
{
    return dataHome() / std::filesystem::path(groupIdentifier);
}

} // namespace Platform::Folders
