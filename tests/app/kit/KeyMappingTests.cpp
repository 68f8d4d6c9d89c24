#include "app/kit/CommandRouter.h"
#include "app/kit/KeyMapping.h"
#include "commands/CommandCatalog.h"
#include "commands/MenuModel.h"

#include <QKeySequence>

#include <gtest/gtest.h>

#include <map>

using namespace EditorKit;
using namespace EditorCommands;

namespace {

QKeyCombination chordOf(const char* id, bool alternate = false)
{
    auto command = CommandCatalog::command(CommandID{id});
    EXPECT_TRUE(command) << id;
    if (!command)
        return {};
    const auto& shortcut = alternate ? command->alternateShortcut : command->shortcut;
    EXPECT_TRUE(shortcut) << id;
    if (!shortcut)
        return {};
    return CommandRouter::keyEquivalent(*shortcut).value_or(QKeyCombination());
}

std::string text(QKeyCombination chord)
{
    return QKeySequence(chord).toString(QKeySequence::PortableText).toStdString();
}

} // namespace

TEST(KeyMapping, commandIsCtrlControlIsMetaOptionIsAlt)
{
    struct Case
    {
        const char* id;
        bool alternate;
        QKeyCombination expected;
    };
    const Case cases[] = {
        {"file.new", false, QKeyCombination(Qt::ControlModifier, Qt::Key_N)},
        {"app.settings", false, QKeyCombination(Qt::ControlModifier, Qt::Key_Comma)},
        {"file.saveAs",
         false,
         QKeyCombination(Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier, Qt::Key_S)},
        {"view.fullScreen",
         false,
         QKeyCombination(Qt::ControlModifier | Qt::MetaModifier, Qt::Key_F)},
        {"text.insertDateTime",
         false,
         QKeyCombination(Qt::ControlModifier | Qt::MetaModifier | Qt::ShiftModifier, Qt::Key_D)},
        {"edit.caretsAtLineEnds",
         false,
         QKeyCombination(Qt::AltModifier | Qt::ShiftModifier, Qt::Key_I)},
        {"view.hiddenFiles",
         false,
         QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Period)},
        {"edit.nextSyntaxError", false, QKeyCombination(Qt::ControlModifier, Qt::Key_Apostrophe)},
        {"text.indent", false, QKeyCombination(Qt::ControlModifier, Qt::Key_BracketRight)},
        {"view.toggleStatusBar", false, QKeyCombination(Qt::ControlModifier, Qt::Key_Slash)},
        {"view.zoomIn", false, QKeyCombination(Qt::ControlModifier, Qt::Key_Plus)},
        {"view.zoomIn", true, QKeyCombination(Qt::ControlModifier, Qt::Key_Equal)},
        {"view.zoomOut", false, QKeyCombination(Qt::ControlModifier, Qt::Key_Minus)},
        {"window.selectTab9", false, QKeyCombination(Qt::ControlModifier, Qt::Key_9)},
        // Remapped away from chords the desktop keeps.
        {"edit.addCaretAbove",
         false,
         QKeyCombination(Qt::AltModifier | Qt::ShiftModifier, Qt::Key_Up)},
        {"edit.addCaretBelow",
         false,
         QKeyCombination(Qt::AltModifier | Qt::ShiftModifier, Qt::Key_Down)},
        {"line.moveUp", false, QKeyCombination(Qt::AltModifier, Qt::Key_Up)},
        {"line.moveDown", false, QKeyCombination(Qt::AltModifier, Qt::Key_Down)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(text(chordOf(c.id, c.alternate)), text(c.expected));
    }
}

TEST(KeyMapping, namedAndUnknownKeys)
{
    EXPECT_EQ(KeyMapping::qtKey("tab"), Qt::Key_Tab);
    EXPECT_EQ(KeyMapping::qtKey("left"), Qt::Key_Left);
    EXPECT_EQ(KeyMapping::qtKey("'"), Qt::Key_Apostrophe);
    EXPECT_EQ(KeyMapping::qtKey("["), Qt::Key_BracketLeft);
    EXPECT_EQ(KeyMapping::qtKey("A"), std::nullopt);
    EXPECT_EQ(KeyMapping::qtKey("f13"), std::nullopt);
    EXPECT_EQ(KeyMapping::qtKey(""), std::nullopt);
    EXPECT_EQ(CommandRouter::keyEquivalent(KeyShortcut{"?", {KeyShortcut::Modifier::command}}),
              std::nullopt);
}

// Every chord of the menu bar, catalog and application items, main and alternate shortcuts:
// each one maps, none is taken twice, none is a chord the desktop keeps for itself.
TEST(KeyMapping, noChordCollidesOrIsReservedByTheDesktop)
{
    std::vector<std::pair<std::string, KeyShortcut>> shortcuts;
    for (const auto& command : CommandCatalog::all()) {
        if (command.shortcut)
            shortcuts.emplace_back(command.id.rawValue, *command.shortcut);
        if (command.alternateShortcut)
            shortcuts.emplace_back(command.id.rawValue + " (alternate)",
                                   *command.alternateShortcut);
    }
    for (const auto& item : MenuModel::applicationItems()) {
        if (const auto* standard = std::get_if<StandardMenuItem>(&item.value)) {
            if (standard->shortcut)
                shortcuts.emplace_back(standard->title, *standard->shortcut);
        }
    }
    ASSERT_EQ(shortcuts.size(), 66u + 3u);

    std::map<int, std::string> taken;
    for (const auto& [name, shortcut] : shortcuts) {
        auto chord = CommandRouter::keyEquivalent(shortcut);
        ASSERT_TRUE(chord) << name;
        auto [existing, inserted] = taken.emplace(chord->toCombined(), name);
        EXPECT_TRUE(inserted) << name << " and " << existing->second << " share " << text(*chord);
        for (auto reserved : KeyMapping::reservedChords())
            EXPECT_NE(chord->toCombined(), reserved.toCombined()) << name << " " << text(*chord);
    }
}

TEST(KeyMapping, remapsReplaceExactlyTheChordsTheDesktopKeeps)
{
    for (const auto& remap : KeyMapping::shortcutRemaps()) {
        SCOPED_TRACE(remap.catalogShortcut.description());
        QKeyCombination plain(KeyMapping::qtModifiers(remap.catalogShortcut.modifiers),
                              *KeyMapping::qtKey(remap.catalogShortcut.key));
        bool reserved = false;
        for (auto chord : KeyMapping::reservedChords())
            reserved = reserved || chord == plain;
        EXPECT_TRUE(reserved) << text(plain);
    }
}

TEST(KeyMapping, shortcutTextIsWhatTheMenusShow)
{
    struct Case
    {
        const char* id;
        const char* expected;
    };
    const Case cases[] = {
        {"find.show", "Ctrl+F"},
        {"file.openFolder", "Ctrl+Shift+O"},
        {"view.wrap", "Ctrl+Alt+L"},
        // Remapped chords read as they are pressed here.
        {"edit.addCaretAbove", "Alt+Shift+Up"},
        {"line.moveDown", "Alt+Down"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        auto command = CommandCatalog::command(CommandID{c.id});
        ASSERT_TRUE(command && command->shortcut);
        const QString shown = KeyMapping::shortcutText(*command->shortcut);
        EXPECT_EQ(shown.toStdString(), c.expected);
        // The menu item's own shortcut reads the same.
        EXPECT_EQ(QKeySequence(chordOf(c.id)).toString(QKeySequence::NativeText), shown);
    }
    EXPECT_TRUE(KeyMapping::shortcutText(KeyShortcut{"no-such-key", {}}).isEmpty());
}
