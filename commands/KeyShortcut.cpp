#include "commands/KeyShortcut.h"

#include <array>
#include <string_view>

namespace EditorCommands {

namespace {

constexpr std::array<KeyShortcut::Modifier, 4> modifiersInOrder = {
    KeyShortcut::Modifier::control,
    KeyShortcut::Modifier::option,
    KeyShortcut::Modifier::shift,
    KeyShortcut::Modifier::command,
};

std::string_view glyph(KeyShortcut::Modifier modifier)
{
    switch (modifier) {
    case KeyShortcut::Modifier::control:
        return "\u2303";
    case KeyShortcut::Modifier::option:
        return "\u2325";
    case KeyShortcut::Modifier::shift:
        return "\u21E7";
    case KeyShortcut::Modifier::command:
        return "\u2318";
    }
    return {};
}

struct NamedKeyGlyph
{
    std::string_view key;
    std::string_view glyph;
};

constexpr std::array<NamedKeyGlyph, 5> namedKeyGlyphs = {{
    {"up", "\u2191"},
    {"down", "\u2193"},
    {"left", "\u2190"},
    {"right", "\u2192"},
    {"tab", "\u21E5"},
}};

// Keys are ASCII in the catalog; a key outside ASCII keeps its bytes as they are.
std::string upperCased(std::string_view key)
{
    std::string result(key);
    for (char& c : result) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return result;
}

} // namespace

std::vector<KeyShortcut::Modifier> KeyShortcut::ModifierSet::sorted() const
{
    std::vector<Modifier> result;
    for (auto modifier : modifiersInOrder) {
        if (contains(modifier))
            result.push_back(modifier);
    }
    return result;
}

std::string KeyShortcut::description() const
{
    std::string text;
    for (auto modifier : modifiers.sorted())
        text += glyph(modifier);
    for (const auto& named : namedKeyGlyphs) {
        if (named.key == key)
            return text + std::string(named.glyph);
    }
    return text + upperCased(key);
}

std::optional<KeyShortcut::Modifier> modifierFromRawValue(int rawValue)
{
    if (rawValue < 0 || rawValue > 3)
        return std::nullopt;
    return static_cast<KeyShortcut::Modifier>(rawValue);
}

std::ostream& operator<<(std::ostream& out, const KeyShortcut& shortcut)
{
    return out << shortcut.description();
}

std::ostream& operator<<(std::ostream& out, const std::optional<KeyShortcut>& shortcut)
{
    if (!shortcut)
        return out << "(none)";
    return out << *shortcut;
}

} // namespace EditorCommands
