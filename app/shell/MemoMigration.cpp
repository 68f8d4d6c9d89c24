#include "app/shell/MemoMigration.h"

#include "app/kit/AppLog.h"
#include "platform/ArgumentDomain.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/PreferencesDomain.h"
#include "store/AppGroup.h"

#include <nlohmann/json.hpp>
#include <optional>

namespace EditorShell::MemoMigration {

namespace {

namespace fs = std::filesystem;

// A preferences file that exists must be a readable JSON object to be opened; a missing one
// opens when its folder can be made.
bool canOpen(const fs::path& file)
{
    std::error_code error;
    if (!fs::exists(fs::symlink_status(file, error))) {
        if (error && error != std::errc::no_such_file_or_directory)
            return false;
        return static_cast<bool>(Platform::createFolders(file.parent_path(), 0700));
    }
    auto bytes = Platform::readWholeFile(file);
    if (!bytes)
        return false;
    auto parsed = nlohmann::json::parse(bytes->begin(), bytes->end(), nullptr, false);
    return parsed.is_object();
}

// The values of a preferences file that is a JSON object; none when missing or unreadable.
std::optional<std::map<std::string, Platform::PreferenceValue>> readValues(const fs::path& file)
{
    auto bytes = Platform::readWholeFile(file);
    if (!bytes)
        return std::nullopt;
    auto parsed = nlohmann::json::parse(bytes->begin(), bytes->end(), nullptr, false);
    if (!parsed.is_object())
        return std::nullopt;
    return Platform::PreferencesDomain(file).allValues();
}

void takeOver(const fs::path& source, Platform::PreferencesDomain& target, bool skipFrameworkKeys)
{
    auto values = readValues(source);
    if (!values)
        return;
    for (const auto& [key, value] : *values) {
        if (skipFrameworkKeys && key.rfind("NS", 0) == 0)
            continue;
        // A null, a map or a list of non-texts cannot be stored again as it was.
        if (std::holds_alternative<Platform::OtherPreference>(value) || target.contains(key))
            continue;
        (void)target.set(key, value);
    }
}

bool truthy(std::string_view text)
{
    return text == "1" || text == "true" || text == "YES" || text == "yes" || text == "TRUE";
}

} // namespace

Places Places::standard()
{
    const auto memoConfig = Platform::Folders::configHome() / "orlune-memo";
    return {memoConfig / "group-defaults.json",
            memoConfig / "app-defaults.json",
            Platform::Folders::dataHome() / "app.orlune.memo",
            EditorStore::groupPreferencesFile(),
            EditorStore::standardPreferencesFile(),
            Platform::Folders::applicationSupport()};
}

void runIfNeeded(const Places& places, const Record& record)
{
    if (!canOpen(places.groupPreferences))
        return;
    Platform::PreferencesDomain group(places.groupPreferences);
    if (auto done = group.object(doneKey)) {
        if (const bool* flag = std::get_if<bool>(&*done); flag && *flag)
            return;
    }
    std::error_code error;
    const bool hasData = fs::exists(places.memoData, error);
    const bool hasGroup = fs::exists(places.memoGroupPreferences, error);
    if (!hasData && !hasGroup) {
        (void)group.set(doneKey, true);
        return;
    }

    takeOver(places.memoGroupPreferences, group, false);
    Platform::PreferencesDomain own(places.ownPreferences);
    takeOver(places.memoOwnPreferences, own, true);

    fs::directory_iterator items(places.memoData, error);
    if (!error) {
        (void)Platform::createFolders(places.data, 0700);
        for (; items != fs::directory_iterator(); items.increment(error)) {
            if (error)
                break;
            const fs::path name = items->path().filename();
            const fs::path destination = places.data / name;
            std::error_code exists;
            if (fs::exists(fs::symlink_status(destination, exists)))
                continue;
            std::error_code copied;
            fs::copy(items->path(),
                     destination,
                     fs::copy_options::recursive | fs::copy_options::copy_symlinks,
                     copied);
            if (copied)
                record(EditorStore::ErrorLog::Level::warning,
                       "migration.copy",
                       {{"item", name.string()}, {"error", copied.message()}});
        }
    }
    record(EditorStore::ErrorLog::Level::notice, "migration.fromMemo", {});
    (void)group.set(doneKey, true);
}

bool migrationSwitchedOff()
{
    const auto& arguments = Platform::ArgumentDomain::processArguments();
    if (auto found = arguments.find("OLNoMigration"); found != arguments.end())
        return truthy(found->second);
    const Platform::PreferencesDomain own(EditorStore::standardPreferencesFile());
    if (auto value = own.object("OLNoMigration")) {
        if (const bool* flag = std::get_if<bool>(&*value))
            return *flag;
        if (const std::string* text = std::get_if<std::string>(&*value))
            return truthy(*text);
        if (const std::int64_t* number = std::get_if<std::int64_t>(&*value))
            return *number != 0;
    }
    return false;
}

void runAtLaunch()
{
    if (EditorStore::standardPreference("OLMeasureOutput") || migrationSwitchedOff())
        return;
    runIfNeeded(
        Places::standard(),
        [](EditorStore::ErrorLog::Level level,
           std::string_view key,
           const EditorStore::ErrorLog::Fields& fields) { AppLog::record(level, key, fields); });
}

} // namespace EditorShell::MemoMigration
