#include "commands/CommandCatalog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using namespace EditorCommands;
using M = KeyShortcut::Modifier;

namespace {

Command find(const char* id)
{
    auto command = CommandCatalog::command(CommandID{id});
    EXPECT_TRUE(command.has_value()) << id;
    return command.value_or(Command{});
}

std::size_t placeOf(const char* id)
{
    const auto& all = CommandCatalog::all();
    auto found =
        std::find_if(all.begin(), all.end(), [&](const Command& c) { return c.id.rawValue == id; });
    EXPECT_NE(found, all.end()) << id;
    return static_cast<std::size_t>(found - all.begin()) + 1;
}

std::set<std::string> ids(const std::vector<Command>& commands)
{
    std::set<std::string> result;
    for (const auto& command : commands)
        result.insert(command.id.rawValue);
    return result;
}

} // namespace

TEST(CommandCatalog, followsCatalogOrderNotNumbers)
{
    const auto& all = CommandCatalog::all();
    ASSERT_EQ(all.size(), 104u);
    EXPECT_EQ(all.front().id.rawValue, "app.about");
    EXPECT_EQ(all.front().number, 91);
    EXPECT_EQ(all.back().id.rawValue, "help.openErrorLog");

    struct Case
    {
        const char* id;
        std::size_t place;
        int number;
    };
    // Places where the catalog order departs from both the menus and the numbers.
    const Case cases[] = {
        {"app.enableFinderMenu", 5, 96},
        {"file.new", 6, 1},
        {"app.quickMemo", 7, 108},
        {"file.print", 21, 14},
        {"file.showExternalCopy", 22, 15},
        {"file.reloadFromDisk", 23, 16},
        {"file.overwriteExternal", 24, 17},
        {"file.locate", 25, 18},
        {"edit.undo", 26, 20},
        {"find.show", 32, 22},
        {"edit.singleCaret", 43, 106},
        {"edit.multiMenu", 44, 107},
        {"edit.nextSyntaxError", 45, 114},
        {"text.chooseEncoding", 50, 43},
        {"text.toggleBOM", 51, 42},
        {"suspicious.normalize", 61, 54},
        {"text.removeUnencodable", 62, 55},
        {"text.format", 63, 56},
        {"text.tidyMenu", 64, 99},
        {"text.minify", 65, 56},
        {"view.characterInfo", 79, 66},
        {"view.folderSidebar", 80, 112},
        {"view.fullScreen", 92, 71},
        {"window.selectTab1", 93, 80},
        {"window.selectTab9", 101, 80},
        {"app.commandPalette", 102, 89},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(placeOf(c.id), c.place);
        EXPECT_EQ(find(c.id).number, c.number);
    }
}

TEST(CommandCatalog, titlesKeepTheirExactText)
{
    struct Case
    {
        const char* id;
        const char* title;
    };
    const Case cases[] = {
        {"app.about", "Orlune Viewer에 관하여"},
        {"app.checkForUpdates", "업데이트 확인…"},
        {"app.enableFinderMenu", "Finder 메뉴 켜는 법…"},
        {"file.saveAs", "다른 이름으로 저장…"},
        {"file.overwriteExternal", "내 것 저장"},
        {"edit.caretsAtLineEnds", "고른 줄마다 줄 끝에 커서"},
        {"text.chooseEncoding", "인코딩 고르기 창…"},
        {"text.toggleBOM", "BOM 넣기"},
        {"text.insertDateTime", "날짜 · 시각 넣기"},
        {"text.capitalize", "단어 첫 글자 대문자로"},
        {"view.hex", "16진 보기"},
        {"window.selectTab8", "8번 탭"},
        {"window.selectTab9", "마지막 탭"},
        {"app.commandPalette", "명령 찾기…"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(find(c.id).title, c.title);
    }
    for (const auto& command : CommandCatalog::all())
        EXPECT_FALSE(command.title.empty()) << command.id;
}

TEST(CommandCatalog, shortcutsAsStored)
{
    struct Case
    {
        const char* id;
        const char* description; // "" for none
    };
    const Case cases[] = {
        {"app.settings", "⌘,"},         {"file.openFolder", "⇧⌘O"},
        {"file.saveAs", "⌥⇧⌘S"},        {"file.rename", ""},
        {"edit.redo", "⇧⌘Z"},           {"edit.addCaretAbove", "⌃⇧↑"},
        {"edit.addCaretBelow", "⌃⇧↓"},  {"edit.caretsAtLineEnds", "⌥⇧I"},
        {"edit.nextSyntaxError", "⌘'"}, {"text.indent", "⌘]"},
        {"text.outdent", "⌘["},         {"line.moveUp", "⌥⌘↑"},
        {"line.moveDown", "⌥⌘↓"},       {"text.insertDateTime", "⌃⇧⌘D"},
        {"view.hiddenFiles", "⇧⌘."},    {"view.zoomIn", "⌘+"},
        {"view.zoomOut", "⌘-"},         {"view.toggleStatusBar", "⌘/"},
        {"view.fullScreen", "⌃⌘F"},     {"window.selectTab9", "⌘9"},
        {"help.shortcuts", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        auto shortcut = find(c.id).shortcut;
        EXPECT_EQ(shortcut ? shortcut->description() : "", c.description);
    }

    // The stored form is the lower-case key with named arrow keys.
    EXPECT_EQ(find("line.moveDown").shortcut, (KeyShortcut{"down", {M::option, M::command}}));
    EXPECT_EQ(find("file.openFolder").shortcut, (KeyShortcut{"o", {M::shift, M::command}}));

    std::size_t withShortcut = 0;
    std::vector<std::string> withAlternate;
    for (const auto& command : CommandCatalog::all()) {
        withShortcut += command.shortcut.has_value();
        if (command.alternateShortcut)
            withAlternate.push_back(command.id.rawValue);
    }
    EXPECT_EQ(withShortcut, 65u);
    EXPECT_EQ(withAlternate, std::vector<std::string>{"view.zoomIn"});
    EXPECT_EQ(find("view.zoomIn").alternateShortcut, (KeyShortcut{"=", {M::command}}));
}

TEST(CommandCatalog, placesInTheMenuBar)
{
    struct Case
    {
        const char* id;
        MenuPlacement placement;
    };
    const Case cases[] = {
        {"app.about", {MenuID::app, 0, std::nullopt}},
        {"app.quickMemo", {MenuID::file, 0, std::nullopt}},
        {"file.browseVersions", {MenuID::file, 2, "되돌리기"}},
        {"file.allowEditing", {MenuID::file, 2, std::nullopt}},
        {"find.filter", {MenuID::edit, 2, "찾기"}},
        {"edit.singleCaret", {MenuID::edit, 2, "여러 곳 편집"}},
        {"edit.goToLine", {MenuID::edit, 2, std::nullopt}},
        {"edit.autocorrect.dashes", {MenuID::edit, 3, "자동 고침"}},
        {"suspicious.next", {MenuID::text, 4, std::nullopt}},
        {"line.join", {MenuID::text, 2, "줄"}},
        {"text.capitalize", {MenuID::text, 5, "다듬기"}},
        {"view.hiddenFiles", {MenuID::view, 0, std::nullopt}},
        {"view.fullScreen", {MenuID::view, 5, std::nullopt}},
        {"app.commandPalette", {MenuID::help, 0, std::nullopt}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(find(c.id).menu, c.placement);
    }

    std::vector<Command> unplaced;
    for (const auto& command : CommandCatalog::all()) {
        if (!command.menu)
            unplaced.push_back(command);
        else
            EXPECT_NE(command.menu->menu, MenuID::window) << command.id;
    }
    EXPECT_EQ(ids(unplaced),
              (std::set<std::string>{"file.showExternalCopy",
                                     "file.reloadFromDisk",
                                     "file.overwriteExternal",
                                     "file.locate",
                                     "edit.multiMenu",
                                     "text.removeUnencodable",
                                     "text.tidyMenu",
                                     "window.selectTab1",
                                     "window.selectTab2",
                                     "window.selectTab3",
                                     "window.selectTab4",
                                     "window.selectTab5",
                                     "window.selectTab6",
                                     "window.selectTab7",
                                     "window.selectTab8",
                                     "window.selectTab9"}));
}

TEST(CommandCatalog, toolBandFieldsOfCommands)
{
    auto filter = find("find.filter");
    EXPECT_EQ(filter.toolbar, ToolbarUse::standard);
    EXPECT_TRUE(filter.isToggle);
    EXPECT_EQ(filter.symbol, "line.3.horizontal.decrease.circle");
    EXPECT_EQ(filter.label, "걸러 보기");

    auto readOnly = find("file.openReadOnly");
    EXPECT_EQ(readOnly.toolbar, ToolbarUse::optional);
    EXPECT_EQ(readOnly.symbol, "lock");
    EXPECT_EQ(readOnly.label, std::nullopt);

    auto tidy = find("text.tidyMenu");
    EXPECT_EQ(tidy.symbol, "wand.and.stars");
    EXPECT_EQ(tidy.label, "다듬기");
    EXPECT_FALSE(tidy.isToggle);

    auto bom = find("text.toggleBOM");
    EXPECT_EQ(bom.toolbar, ToolbarUse::none);
    EXPECT_TRUE(bom.isToggle);
    EXPECT_EQ(bom.symbol, std::nullopt);

    std::size_t toggles = 0;
    for (const auto& command : CommandCatalog::all())
        toggles += command.isToggle;
    EXPECT_EQ(toggles, 21u);
}

TEST(CommandCatalog, sharedNumbers)
{
    EXPECT_EQ(find("edit.undo").number, 20);
    EXPECT_EQ(find("edit.redo").number, 20);
    for (const char* id : {"edit.cut", "edit.copy", "edit.paste", "edit.selectAll"})
        EXPECT_EQ(find(id).number, 21) << id;
    for (const char* id : {"view.zoomIn", "view.zoomOut", "view.zoomReset"})
        EXPECT_EQ(find(id).number, 68) << id;
    for (int n = 1; n <= 9; ++n) {
        auto id = "window.selectTab" + std::to_string(n);
        auto command = CommandCatalog::command(CommandID{id});
        ASSERT_TRUE(command) << id;
        EXPECT_EQ(command->number, 80);
        EXPECT_EQ(command->shortcut, (KeyShortcut{std::to_string(n), {M::command}}));
        EXPECT_EQ(command->title, n == 9 ? "마지막 탭" : std::to_string(n) + "번 탭");
    }
}

TEST(CommandCatalog, toolbarItemsLayOutTheBand)
{
    const auto& slots = CommandCatalog::toolbarItems();
    ASSERT_EQ(slots.size(), 36u);
    EXPECT_EQ(std::count(slots.begin(), slots.end(), std::nullopt), 6);
    EXPECT_EQ(slots.front(), CommandID{"file.new"});
    EXPECT_EQ(slots.back(), CommandID{"app.commandPalette"});
    EXPECT_EQ(slots[7], std::nullopt);
    EXPECT_EQ(slots[10], CommandID{"edit.multiMenu"});
    EXPECT_EQ(slots[27], CommandID{"text.tidyMenu"});

    const auto& tidy = CommandCatalog::tidyMenuItems();
    ASSERT_EQ(tidy.size(), 11u);
    EXPECT_EQ(tidy[2], std::nullopt);
    EXPECT_EQ(tidy[7], std::nullopt);
    EXPECT_EQ(tidy[6], CommandID{"text.trimTrailingWhitespace"});

    const auto& multi = CommandCatalog::multiCursorMenuItems();
    ASSERT_EQ(multi.size(), 8u);
    EXPECT_EQ(multi[2], std::nullopt);
    EXPECT_EQ(multi[6], std::nullopt);
    EXPECT_EQ(multi[7], CommandID{"edit.singleCaret"});

    EXPECT_EQ(
        CommandCatalog::hiddenWhenUnavailable(),
        (std::unordered_set<CommandID>{
            {"view.previewSplit"}, {"view.previewOnly"}, {"text.format"}, {"view.folderSidebar"}}));

    for (const auto* list : {&slots, &tidy, &multi}) {
        for (const auto& slot : *list) {
            if (slot) {
                EXPECT_TRUE(CommandCatalog::command(*slot)) << *slot;
            }
        }
    }

    // Every command with a button is in the band, except the three optional ones left out.
    std::set<std::string> inBand;
    for (const auto& slot : slots) {
        if (slot)
            inBand.insert(slot->rawValue);
    }
    std::set<std::string> missing;
    for (const auto& command : CommandCatalog::all()) {
        if (command.toolbar != ToolbarUse::none && !inBand.count(command.id.rawValue))
            missing.insert(command.id.rawValue);
    }
    EXPECT_EQ(
        missing,
        (std::set<std::string>{"file.openReadOnly", "file.revertToOpened", "suspicious.next"}));
}

TEST(CommandActions, everyCommandButThreeHasAnAction)
{
    const auto& selectors = CommandActions::actionSelectors();
    EXPECT_EQ(selectors.size(), 101u);
    std::set<std::string> without;
    for (const auto& command : CommandCatalog::all()) {
        if (!CommandActions::actionSelector(command.id))
            without.insert(command.id.rawValue);
    }
    EXPECT_EQ(
        without,
        (std::set<std::string>{"file.reloadFromDisk", "file.locate", "text.removeUnencodable"}));

    struct Case
    {
        const char* id;
        const char* action;
    };
    const Case cases[] = {
        {"file.new", "newDocument:"},
        {"file.newTab", "newDocument:"},
        {"file.openFolder", "openFolderPanel:"},
        {"file.browseVersions", "browseDocumentVersions:"},
        {"file.close", "performClose:"},
        {"edit.autocorrect.spelling", "toggleContinuousSpellChecking:"},
        {"view.ruler", "toggleCentimeterRuler:"},
        {"view.toggleTabBar", "toggleTabBar:"},
        {"window.selectTab9", "selectTabByNumber:"},
        {"text.tidyMenu", "showTidyMenu:"},
        {"help.openErrorLog", "openErrorLog:"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(CommandActions::actionSelector(CommandID{c.id}), c.action);
    }
    EXPECT_EQ(CommandActions::actionSelector(CommandID{"view.nothing"}), std::nullopt);
}
