#pragma once

#include <cstddef>
#include <functional>
#include <ostream>
#include <string>

namespace EditorCommands {

// The dotted identifier of a command ("file.new", "view.lineNumbers"). The first component
// names an area (app, file, edit, find, line, text, suspicious, view, window, help), not the
// menu the command sits in. Any string makes an identifier; it is stored as that one string.
struct CommandID
{
    std::string rawValue;

    bool operator==(const CommandID&) const = default;
    auto operator<=>(const CommandID&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const CommandID& id)
{
    return out << id.rawValue;
}

} // namespace EditorCommands

template<>
struct std::hash<EditorCommands::CommandID>
{
    std::size_t operator()(const EditorCommands::CommandID& id) const noexcept
    {
        return std::hash<std::string>{}(id.rawValue);
    }
};
