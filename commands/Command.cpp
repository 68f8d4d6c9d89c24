#include "commands/Command.h"

namespace EditorCommands {

std::string_view rawValue(ToolbarUse use)
{
    switch (use) {
    case ToolbarUse::none:
        return "none";
    case ToolbarUse::optional:
        return "optional";
    case ToolbarUse::standard:
        return "standard";
    }
    return {};
}

std::ostream& operator<<(std::ostream& out, ToolbarUse use)
{
    return out << rawValue(use);
}

} // namespace EditorCommands
