#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace EditorStore {

// Names the shared preferences of the settings and the folder of the request mailbox.
inline constexpr std::string_view appGroupIdentifier = "K7QZ2MRT4W.app.orlune.viewer";

// The application group's preferences (the settings, shared with olv).
std::filesystem::path groupPreferencesFile();
// The application's own preferences (switches for measurement, tests and servers).
std::filesystem::path standardPreferencesFile();
// A text switch of the application: given on the command line ("-name value") or else in its
// own preferences; none when neither has a text under that name.
std::optional<std::string> standardPreference(std::string_view name);

} // namespace EditorStore
