#include "app/kit/KeyMapping.h"

#include <QKeySequence>

#include <array>

namespace EditorKit {

using EditorCommands::KeyShortcut;
using M = KeyShortcut::Modifier;

const std::vector<KeyMapping::Remap>& KeyMapping::shortcutRemaps()
{
    static const std::vector<Remap> remaps = {
        {{"up", {M::control, M::shift}},
         QKeyCombination(Qt::AltModifier | Qt::ShiftModifier, Qt::Key_Up)},
        {{"down", {M::control, M::shift}},
         QKeyCombination(Qt::AltModifier | Qt::ShiftModifier, Qt::Key_Down)},
        {{"up", {M::option, M::command}}, QKeyCombination(Qt::AltModifier, Qt::Key_Up)},
        {{"down", {M::option, M::command}}, QKeyCombination(Qt::AltModifier, Qt::Key_Down)},
    };
    return remaps;
}

const std::vector<QKeyCombination>& KeyMapping::reservedChords()
{
    static const std::vector<QKeyCombination> chords = {
        QKeyCombination(Qt::MetaModifier | Qt::ShiftModifier, Qt::Key_Up),
        QKeyCombination(Qt::MetaModifier | Qt::ShiftModifier, Qt::Key_Down),
        QKeyCombination(Qt::ControlModifier | Qt::AltModifier, Qt::Key_Up),
        QKeyCombination(Qt::ControlModifier | Qt::AltModifier, Qt::Key_Down),
        QKeyCombination(Qt::AltModifier, Qt::Key_Space),
    };
    return chords;
}

std::optional<Qt::Key> KeyMapping::qtKey(std::string_view key)
{
    struct Named
    {
        std::string_view name;
        Qt::Key key;
    };
    static constexpr std::array<Named, 6> named = {{
        {"up", Qt::Key_Up},
        {"down", Qt::Key_Down},
        {"left", Qt::Key_Left},
        {"right", Qt::Key_Right},
        {"tab", Qt::Key_Tab},
        {"space", Qt::Key_Space},
    }};
    for (const auto& entry : named) {
        if (entry.name == key)
            return entry.key;
    }
    if (key.size() != 1)
        return std::nullopt;
    char c = key.front();
    if (c >= 'a' && c <= 'z')
        return static_cast<Qt::Key>(Qt::Key_A + (c - 'a'));
    if (c >= '0' && c <= '9')
        return static_cast<Qt::Key>(Qt::Key_0 + (c - '0'));
    // Qt's codes of these keys are their ASCII codes.
    constexpr std::string_view punctuation = ",./'[]-+=";
    if (punctuation.find(c) != std::string_view::npos)
        return static_cast<Qt::Key>(c);
    return std::nullopt;
}

Qt::KeyboardModifiers KeyMapping::qtModifiers(const KeyShortcut::ModifierSet& modifiers)
{
    Qt::KeyboardModifiers result;
    if (modifiers.contains(M::command))
        result |= Qt::ControlModifier;
    if (modifiers.contains(M::control))
        result |= Qt::MetaModifier;
    if (modifiers.contains(M::option))
        result |= Qt::AltModifier;
    if (modifiers.contains(M::shift))
        result |= Qt::ShiftModifier;
    return result;
}

std::optional<QKeyCombination> KeyMapping::keyCombination(const KeyShortcut& shortcut)
{
    for (const auto& remap : shortcutRemaps()) {
        if (remap.catalogShortcut == shortcut)
            return remap.linuxChord;
    }
    auto key = qtKey(shortcut.key);
    if (!key)
        return std::nullopt;
    return QKeyCombination(qtModifiers(shortcut.modifiers), *key);
}

QString KeyMapping::shortcutText(const KeyShortcut& shortcut)
{
    auto chord = keyCombination(shortcut);
    if (!chord)
        return {};
    return QKeySequence(*chord).toString(QKeySequence::NativeText);
}

} // namespace EditorKit
