#include "store/AppGroup.h"

#include "platform/ArgumentDomain.h"
#include "platform/Folders.h"
#include "platform/PreferencesDomain.h"

#include <variant>

namespace EditorStore {

std::filesystem::path groupPreferencesFile()
{
    return Platform::Folders::preferencesFolder() / "group-defaults.json";
}

std::filesystem::path standardPreferencesFile()
{
    return Platform::Folders::preferencesFolder() / "app-defaults.json";
}

std::optional<std::string> standardPreference(std::string_view name)
{
    const auto& arguments = Platform::ArgumentDomain::processArguments();
    if (auto found = arguments.find(std::string(name)); found != arguments.end())
        return found->second;
    const Platform::PreferencesDomain preferences(standardPreferencesFile());
    if (auto value = preferences.object(name)) {
        if (const auto* text = std::get_if<std::string>(&*value))
            return *text;
    }
    return std::nullopt;
}

} // namespace EditorStore
