#pragma once

#include <filesystem>
#include <string_view>

// The per-user folders of the XDG base directory standard. A variable that is unset,
// empty or not absolute is ignored, as that standard asks.
namespace Platform::Folders {

// $HOME, else the password database's home folder.
std::filesystem::path home();

std::filesystem::path dataHome();   // $XDG_DATA_HOME or ~/.local/share
std::filesystem::path configHome(); // $XDG_CONFIG_HOME or ~/.config
std::filesystem::path stateHome();  // $XDG_STATE_HOME or ~/.local/state

// The application's preferences files live here.
std::filesystem::path preferencesFolder(); // <config>/orlune-viewer

// Where the application keeps its own files.
std::filesystem::path applicationSupport(); // <data>/app.orlune.viewer

// The folder of the event log.
std::filesystem::path logs(); // <state>/Orlune Viewer

// The folder shared by the application and its helper programs. Not created here: whoever
// writes into it creates it with createPrivateFolder.
std::filesystem::path appGroupContainer(std::string_view groupIdentifier); // <data>/<group>

} // namespace Platform::Folders
