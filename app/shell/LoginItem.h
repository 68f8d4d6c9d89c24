#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

// Starting the application when the user logs in: an XDG autostart entry that starts this
// binary with "--login-item". Main thread.
namespace EditorShell::LoginItem {

// $XDG_CONFIG_HOME/autostart/app.orlune.viewer.desktop
std::filesystem::path autostartFile();

// The running binary (/proc/self/exe).
std::filesystem::path applicationBinary();

// The entry that starts `binary` with "--login-item".
std::string entryText(const std::filesystem::path& binary);

// The program the entry's Exec line starts, unquoted; empty when there is none.
std::string execProgram(std::string_view entry);

// The entry is ours: its Exec starts `binary`.
bool isOurs(std::string_view entry, const std::filesystem::path& binary);
// Ours and not switched off (Hidden=true or X-GNOME-Autostart-enabled=false).
bool isEnabled(std::string_view entry, const std::filesystem::path& binary);

using Log = std::function<void(std::string_view message)>;

// Brings the entry in line with `launchAtLogin`: writes it when it is not enabled, removes it
// when it is enabled. Failures go to `log` (default: the system log, category "login") as
// "login item: …"; the setting is never changed.
void sync(bool launchAtLogin,
          const std::filesystem::path& file,
          const std::filesystem::path& binary,
          const Log& log = {});
// With "general.launchAtLogin", the autostart file and this binary.
void sync();

} // namespace EditorShell::LoginItem
