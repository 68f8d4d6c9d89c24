#pragma once

#include "store/ErrorLog.h"

#include <filesystem>
#include <functional>
#include <string_view>

// Once per user, at the first start: takes over the settings and stored files of the memo
// application this editor succeeds. Its places are laid out the way ours are: group and own
// preferences as JSON objects under $XDG_CONFIG_HOME/orlune-memo/, its data folder
// $XDG_DATA_HOME/app.orlune.memo/. Runs on the main thread in the program entry, before
// anything reads the settings.
namespace EditorShell::MemoMigration {

// The name of the flag in our group preferences.
inline constexpr std::string_view doneKey = "migration.fromMemo";

struct Places
{
    std::filesystem::path memoGroupPreferences; // <config>/orlune-memo/group-defaults.json
    std::filesystem::path memoOwnPreferences;   // <config>/orlune-memo/app-defaults.json
    std::filesystem::path memoData;             // <data>/app.orlune.memo
    std::filesystem::path groupPreferences;     // ours, holding the flag
    std::filesystem::path ownPreferences;       // ours
    std::filesystem::path data;                 // <data>/app.orlune.viewer

    // Where they are for this user.
    static Places standard();
};

using Record = std::function<void(
    EditorStore::ErrorLog::Level, std::string_view eventKey, const EditorStore::ErrorLog::Fields&)>;

// Group keys are taken whatever their prefix, own keys except those beginning with "NS", data
// items whose name is free in our data folder (copied whole, links kept as links); nothing of
// ours is ever overwritten. A failed copy records "migration.copy" and the others go on; the
// run records "migration.fromMemo" and sets the flag. With nothing to take over the flag is
// set and nothing recorded. When our group preferences cannot be opened nothing happens.
void runIfNeeded(const Places& places, const Record& record);

// The program entry's call: not while measuring the launch (OLMeasureOutput) nor with
// OLNoMigration true; records through the application's event log.
void runAtLaunch();

// Whether the standard preference OLNoMigration (command line or own preferences) is true.
bool migrationSwitchedOff();

} // namespace EditorShell::MemoMigration
