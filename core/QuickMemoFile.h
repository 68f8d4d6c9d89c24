#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace EditorCore::QuickMemoFile {

// The file `name` directly in the user's Documents folder: XDG_DOCUMENTS_DIR of
// $XDG_CONFIG_HOME/user-dirs.dirs (as xdg-user-dir reads it), else ~/Documents. Absent when no
// home folder is known.
std::optional<std::filesystem::path> url(std::u16string_view name);

// The UTF-8 bytes one saved memo adds to the end of the file: a separating empty line, the
// header "── yyyy-MM-dd HH:mm ──" of `date` in `timeZone` (an IANA identifier such as
// "Asia/Seoul"), then the memo trimmed of white space and blank lines at both ends. `existing`
// is the file's contents, absent when there is no file; bytes that are not UTF-8 count as an
// empty file. Absent when the memo is blank. Writes nothing.
std::optional<std::vector<std::uint8_t>>
append(std::u16string_view memo,
       std::optional<std::span<const std::uint8_t>> existing,
       std::chrono::system_clock::time_point date,
       std::string_view timeZone);

} // namespace EditorCore::QuickMemoFile
