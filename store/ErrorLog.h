#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace EditorStore {

// The event log: UTF-8 lines appended to editor.log, rotated into editor.1.log and
// editor.2.log. Nothing here fails or reports: logging must not disturb what it logs.
struct ErrorLog
{
    enum class Level { error, warning, notice };

    // Ordered key/value pairs; keys may repeat.
    using Fields = std::vector<std::pair<std::string, std::string>>;

    static constexpr std::string_view fileName = "editor.log";
    static constexpr int keptGenerations = 2;
    static constexpr std::int64_t defaultLimit = 1048576;

    std::filesystem::path directory;
    // The largest size in bytes editor.log may reach by an append before it is rotated.
    std::int64_t limit = defaultLimit;

    // The user's log folder ($XDG_STATE_HOME/Orlune Viewer) with the default limit.
    ErrorLog();
    ErrorLog(std::filesystem::path directory, std::int64_t limit);

    std::filesystem::path fileURL() const;

    // "<time> <LEVEL> <event> key=value ...\n" with the time in UTC to the second. In a value,
    // LF and CR are written as \n and \r, and a value holding a space is put in double quotes.
    static std::string formatLine(Level level,
                                  std::string_view eventKey,
                                  const Fields& fields,
                                  std::chrono::system_clock::time_point time);

    // Appends a finished line (ending in a line feed), rotating first when the line would
    // take an existing editor.log past `limit`.
    void append(std::string_view line) const;

    // editor.2.log goes, editor.1.log becomes editor.2.log, editor.log becomes editor.1.log.
    void rotate() const;
};

std::string_view rawValue(ErrorLog::Level);
std::optional<ErrorLog::Level> errorLogLevelFromRawValue(std::string_view);
std::ostream& operator<<(std::ostream&, ErrorLog::Level);

} // namespace EditorStore
