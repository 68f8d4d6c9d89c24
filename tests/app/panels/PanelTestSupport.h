#pragma once

#include "app/kit/Responder.h"
#include "commands/Command.h"

#include <QObject>
#include <QString>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace PanelTests {

using EditorCommands::Command;
using EditorCommands::KeyShortcut;
using EditorCommands::MenuID;
using EditorCommands::MenuPlacement;
using Modifier = EditorCommands::KeyShortcut::Modifier;

inline Command command(std::string id,
                       std::string title,
                       std::optional<KeyShortcut> shortcut = std::nullopt,
                       std::optional<MenuPlacement> menu = std::nullopt,
                       std::optional<KeyShortcut> alternate = std::nullopt)
{
    Command made;
    made.id = {std::move(id)};
    made.title = std::move(title);
    made.shortcut = std::move(shortcut);
    made.alternateShortcut = std::move(alternate);
    made.menu = std::move(menu);
    return made;
}

// A link of the responder chain that answers a fixed set of actions and records what it ran.
class RecordingResponder
    : public QObject
    , public EditorKit::Responder
{
public:
    explicit RecordingResponder(std::vector<std::string> answers)
        : m_answers(std::move(answers))
    {}

    struct Performed
    {
        std::string action;
        EditorKit::ActionSender sender;
    };
    std::vector<Performed> performed;

    bool respondsToAction(std::string_view action) const override
    {
        for (const auto& answer : m_answers) {
            if (answer == action)
                return true;
        }
        return false;
    }
    void performAction(std::string_view action, const EditorKit::ActionSender& sender) override
    {
        performed.push_back({std::string(action), sender});
    }

private:
    std::vector<std::string> m_answers;
};

} // namespace PanelTests
