#include "commands/MenuModel.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace EditorCommands;
using M = KeyShortcut::Modifier;

namespace {

// One line per item: a command's identifier, "-" for a separator, "<title>" for a standard
// item and "[title: ...]" for a child menu with its items.
std::string render(const MenuItem& item);

std::vector<std::string> render(const std::vector<MenuItem>& items)
{
    std::vector<std::string> lines;
    for (const auto& item : items)
        lines.push_back(render(item));
    return lines;
}

std::string render(const MenuItem& item)
{
    if (const auto* command = std::get_if<CommandMenuItem>(&item.value))
        return command->id.rawValue;
    if (std::holds_alternative<SeparatorMenuItem>(item.value))
        return "-";
    if (const auto* standard = std::get_if<StandardMenuItem>(&item.value))
        return "<" + standard->title + ">";
    const auto& submenu = std::get<SubmenuItem>(item.value);
    std::string text = "[" + submenu.title + ":";
    for (const auto& line : render(submenu.items))
        text += " " + line;
    return text + "]";
}

const TopMenu* menuOf(const MainMenuModel& model, MenuID id)
{
    auto found = std::find_if(
        model.menus.begin(), model.menus.end(), [&](const TopMenu& menu) { return menu.id == id; });
    return found == model.menus.end() ? nullptr : &*found;
}

Command catalogCommand(const char* id)
{
    return CommandCatalog::command(CommandID{id}).value();
}

Command placed(const char* id, MenuID menu, int group, std::optional<std::string> submenu)
{
    auto command = catalogCommand(id);
    command.menu = MenuPlacement{menu, group, std::move(submenu)};
    return command;
}

} // namespace

TEST(MenuModel, viewMenuSeparatesAtEveryChangeOfGroup)
{
    // Groups in catalog order: 0, 1×5, 2, 0, 0, 1, 2×4, 3×3, 4×2, 5. The rule compares with the
    // previous item only, so groups that come back make sections of their own.
    EXPECT_EQ(render(MenuModel::fillMenu(MenuID::view)),
              (std::vector<std::string>{"view.toggleToolbar",
                                        "-",
                                        "view.ruler",
                                        "view.invisibles",
                                        "view.wrap",
                                        "view.lineNumbers",
                                        "view.currentLine",
                                        "-",
                                        "view.characterInfo",
                                        "-",
                                        "view.folderSidebar",
                                        "view.hiddenFiles",
                                        "-",
                                        "view.syntaxErrors",
                                        "-",
                                        "view.follow",
                                        "view.previewSplit",
                                        "view.hex",
                                        "view.previewOnly",
                                        "-",
                                        "view.zoomIn",
                                        "view.zoomOut",
                                        "view.zoomReset",
                                        "-",
                                        "view.toggleStatusBar",
                                        "view.toggleTabBar",
                                        "-",
                                        "view.fullScreen"}));
}

TEST(MenuModel, submenusCollectTheirItemsAndSeparatorsStayInTheParent)
{
    EXPECT_EQ(render(MenuModel::fillMenu(MenuID::edit)),
              (std::vector<std::string>{
                  "edit.undo",
                  "edit.redo",
                  "-",
                  "edit.cut",
                  "edit.copy",
                  "edit.paste",
                  "edit.selectAll",
                  "-",
                  "[찾기: find.show find.replace find.next find.previous find.useSelection "
                  "find.filter]",
                  "[여러 곳 편집: edit.addNextOccurrence edit.selectAllOccurrences "
                  "edit.addCaretAbove edit.addCaretBelow edit.caretsAtLineEnds edit.singleCaret]",
                  "edit.nextSyntaxError",
                  "edit.goToLine",
                  "-",
                  "[자동 고침: edit.autocorrect.spelling edit.autocorrect.quotes "
                  "edit.autocorrect.dashes]"}));

    EXPECT_EQ(render(MenuModel::fillMenu(MenuID::file)),
              (std::vector<std::string>{"file.new",
                                        "app.quickMemo",
                                        "file.newTab",
                                        "file.open",
                                        "file.openFolder",
                                        "file.openReadOnly",
                                        "-",
                                        "file.close",
                                        "file.saveNow",
                                        "file.duplicate",
                                        "file.rename",
                                        "file.move",
                                        "file.saveAs",
                                        "-",
                                        "[되돌리기: file.revertToOpened file.browseVersions]",
                                        "file.allowEditing",
                                        "-",
                                        "file.print"}));

    // text.removeUnencodable (no action) and text.tidyMenu (no place) are missing.
    EXPECT_EQ(render(MenuModel::fillMenu(MenuID::text)),
              (std::vector<std::string>{
                  "[인코딩: text.chooseEncoding text.toggleBOM]",
                  "-",
                  "[들여쓰기: text.indent text.outdent]",
                  "-",
                  "[줄: line.duplicate line.moveUp line.moveDown line.delete line.join]",
                  "-",
                  "text.insertDateTime",
                  "-",
                  "suspicious.next",
                  "suspicious.normalize",
                  "-",
                  "[다듬기: text.format text.minify line.sortAscending line.sortDescending "
                  "line.removeDuplicates text.trimTrailingWhitespace text.uppercase "
                  "text.lowercase text.capitalize]"}));
}

TEST(MenuModel, aSubmenuTitleSeenAgainReusesTheFirstChild)
{
    const std::vector<Command> commands = {
        placed("find.show", MenuID::edit, 2, "찾기"),
        placed("edit.goToLine", MenuID::edit, 2, std::nullopt),
        placed("find.next", MenuID::edit, 2, "찾기"),
        // A later group still reuses the child; only the separator lands in the parent.
        placed("find.previous", MenuID::edit, 3, "찾기"),
        placed("edit.undo", MenuID::edit, 3, "다른 것"),
    };
    EXPECT_EQ(render(MenuModel::fillMenu(MenuID::edit, commands)),
              (std::vector<std::string>{"[찾기: find.show find.next find.previous]",
                                        "edit.goToLine",
                                        "-",
                                        "[다른 것: edit.undo]"}));
    // The table of children is new for each menu.
    const std::vector<Command> elsewhere = {placed("find.show", MenuID::view, 0, "찾기")};
    EXPECT_EQ(render(MenuModel::fillMenu(MenuID::view, elsewhere)),
              (std::vector<std::string>{"[찾기: find.show]"}));
}

TEST(MenuModel, separatorRuleLooksOnlyAtThePreviousGroup)
{
    const std::vector<Command> commands = {
        placed("view.wrap", MenuID::view, 1, std::nullopt),
        placed("view.hex", MenuID::view, 1, std::nullopt),
        placed("view.ruler", MenuID::view, 0, std::nullopt),
        placed("view.follow", MenuID::view, 1, std::nullopt),
        // Another menu in between changes nothing.
        placed("edit.undo", MenuID::edit, 7, std::nullopt),
        placed("view.zoomIn", MenuID::view, 1, std::nullopt),
    };
    EXPECT_EQ(render(MenuModel::fillMenu(MenuID::view, commands)),
              (std::vector<std::string>{
                  "view.wrap", "view.hex", "-", "view.ruler", "-", "view.follow", "view.zoomIn"}));
}

TEST(MenuModel, mainMenuBarAndApplicationItems)
{
    auto model = MenuModel::mainMenu();
    std::vector<MenuID> bar;
    for (const auto& menu : model.menus)
        bar.push_back(menu.id);
    EXPECT_EQ(bar, std::vector<MenuID>(allMenuIDs.begin(), allMenuIDs.end()));

    EXPECT_EQ(render(menuOf(model, MenuID::app)->items),
              (std::vector<std::string>{"app.about",
                                        "app.checkForUpdates",
                                        "-",
                                        "app.settings",
                                        "-",
                                        "app.installCommandLineTool",
                                        "app.enableFinderMenu",
                                        "-",
                                        "[서비스:]",
                                        "-",
                                        "<Orlune Viewer 가리기>",
                                        "<기타 가리기>",
                                        "<모두 보기>",
                                        "-",
                                        "<Orlune Viewer 끝내기>"}));
    EXPECT_TRUE(menuOf(model, MenuID::window)->items.empty());
    EXPECT_EQ(
        render(menuOf(model, MenuID::help)->items),
        (std::vector<std::string>{"app.commandPalette", "help.shortcuts", "help.openErrorLog"}));

    auto items = MenuModel::applicationItems();
    ASSERT_EQ(items.size(), 8u);
    EXPECT_EQ(std::get<StandardMenuItem>(items[3].value),
              (StandardMenuItem{"Orlune Viewer 가리기", "hide:", KeyShortcut{"h", {M::command}}}));
    EXPECT_EQ(
        std::get<StandardMenuItem>(items[4].value),
        (StandardMenuItem{
            "기타 가리기", "hideOtherApplications:", KeyShortcut{"h", {M::option, M::command}}}));
    EXPECT_EQ(std::get<StandardMenuItem>(items[5].value),
              (StandardMenuItem{"모두 보기", "unhideAllApplications:", std::nullopt}));
    EXPECT_EQ(
        std::get<StandardMenuItem>(items[7].value),
        (StandardMenuItem{"Orlune Viewer 끝내기", "terminate:", KeyShortcut{"q", {M::command}}}));
}

TEST(MenuModel, holdingMenuCarriesUnplacedShortcutsAndAlternates)
{
    auto model = MenuModel::mainMenu();
    ASSERT_EQ(model.hiddenItems.size(), 10u);
    EXPECT_EQ(model.hiddenItems[0],
              (CommandMenuItem{CommandID{"view.zoomIn"}, KeyShortcut{"=", {M::command}}}));
    for (int n = 1; n <= 9; ++n) {
        EXPECT_EQ(
            model.hiddenItems[static_cast<std::size_t>(n)],
            (CommandMenuItem{CommandID{"window.selectTab" + std::to_string(n)}, std::nullopt}));
    }
}

TEST(MenuModel, emptyMenusAreDroppedExceptWindowAndHelp)
{
    // Only File and View commands: Edit and Text disappear, Window and Help stay (empty), and
    // the application menu keeps its own items.
    const std::vector<Command> commands = {
        catalogCommand("file.new"),
        catalogCommand("view.zoomIn"),
        catalogCommand("file.reloadFromDisk"), // no action: never in a menu
        placed("file.locate", MenuID::text, 0, std::nullopt),
    };
    auto model = MenuModel::mainMenu(commands);
    std::vector<MenuID> bar;
    for (const auto& menu : model.menus)
        bar.push_back(menu.id);
    EXPECT_EQ(bar,
              (std::vector<MenuID>{
                  MenuID::app, MenuID::file, MenuID::view, MenuID::window, MenuID::help}));
    EXPECT_TRUE(menuOf(model, MenuID::help)->items.empty());
    EXPECT_EQ(render(menuOf(model, MenuID::app)->items).size(), 8u);
    EXPECT_EQ(model.hiddenItems.size(), 1u);
}

TEST(MenuModel, commandsWithoutActionOrPlaceGetNoItem)
{
    auto model = MenuModel::mainMenu();
    std::vector<std::string> everything;
    for (const auto& menu : model.menus) {
        for (const auto& line : render(menu.items))
            everything.push_back(line);
    }
    for (const auto& hidden : model.hiddenItems)
        everything.push_back(hidden.id.rawValue);
    for (const char* absent : {"file.reloadFromDisk",
                               "file.locate",
                               "text.removeUnencodable",
                               "edit.multiMenu",
                               "text.tidyMenu",
                               "file.showExternalCopy"}) {
        for (const auto& line : everything)
            EXPECT_EQ(line.find(absent), std::string::npos) << absent << " in " << line;
    }
}
