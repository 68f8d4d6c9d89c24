#include "store/AppGroup.h"

#include "platform/Folders.h"

namespace EditorStore {

std::filesystem::path groupPreferencesFile()
{
    return Platform::Folders::preferencesFolder() / "group-defaults.json";
}

std::filesystem::path standardPreferencesFile()
{
    return Platform::Folders::preferencesFolder() / "app-defaults.json";
}

} // namespace EditorStore
