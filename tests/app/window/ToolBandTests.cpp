// The tool band in windows shown offscreen, sharing one router and settings store as in the
// application: its groups and menus, refreshing from the command state, the per-tab font
// controls and the row layout.
#include "app/kit/ActionRouter.h"
#include "app/kit/CommandRouter.h"
#include "app/kit/HostWindow.h"
#include "app/kit/Localized.h"
#include "app/kit/Symbols.h"
#include "app/window/CommandMenu.h"
#include "app/window/DocumentContentView.h"
#include "app/window/DocumentWindowController.h"
#include "app/window/hosting/HostWindows.h"
#include "app/window/toolband/ToolBand.h"
#include "app/window/toolband/ToolBandFeature.h"
#include "commands/CommandCatalog.h"
#include "platform/PreferencesDomain.h"
#include "store/Settings.h"
#include "tests/app/window/FakeDocument.h"
#include "tests/platform/TemporaryFolder.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QMenu>
#include <QSplitter>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using EditorCommands::CommandID;
using EditorWindow::DocumentWindowController;
using EditorWindow::ToolBandFeature;
using EditorWindow::ToolBandView;
using WindowTest::FakeDocument;

namespace {

struct Windows
{
    TemporaryFolder folder;
    std::unique_ptr<EditorStore::Settings> settings;
    EditorKit::ActionRouter router;
    std::shared_ptr<EditorWindow::HostWindows> hosts;
    std::vector<std::unique_ptr<FakeDocument>> documents;
    std::vector<std::unique_ptr<DocumentWindowController>> controllers;
    int stateSaves = 0;
    std::vector<std::pair<std::filesystem::path, EditorViews::EditorViewOptions>> remembered;

    explicit Windows(std::map<std::string, std::string> values = {})
    {
        settings = std::make_unique<EditorStore::Settings>(
            std::make_shared<Platform::PreferencesDomain>(folder / "group-defaults.json"),
            std::move(values));
        hosts = std::make_shared<EditorWindow::HostWindows>(router);
    }

    ~Windows()
    {
        controllers.clear();
        documents.clear();
        QCoreApplication::processEvents();
    }

    DocumentWindowController& open(const QString& text,
                                   std::function<void(FakeDocument&)> prepare = {})
    {
        documents.push_back(std::make_unique<FakeDocument>(text));
        if (prepare)
            prepare(*documents.back());
        EditorWindow::WindowEnvironment environment;
        environment.settings = settings.get();
        environment.hosts = hosts;
        environment.features = [] {
            EditorWindow::WindowFeatureList list;
            list.push_back(std::make_unique<ToolBandFeature>());
            return list;
        };
        environment.scheduleWindowStateSave = [this] { ++stateSaves; };
        environment.rememberView = [this](const std::filesystem::path& path,
                                          const EditorViews::EditorViewOptions& options) {
            remembered.emplace_back(path, options);
        };
        controllers.push_back(
            std::make_unique<DocumentWindowController>(*documents.back(), router, environment));
        controllers.back()->showWindow();
        QCoreApplication::processEvents();
        return *controllers.back();
    }
};

ToolBandView* bandOf(const DocumentWindowController& window)
{
    auto* feature = window.feature<ToolBandFeature>();
    return feature ? feature->band() : nullptr;
}

EditorWindow::ToolBandButton* buttonOf(const DocumentWindowController& window, const char* id)
{
    for (const auto& entry : bandOf(window)->commandButtons()) {
        if (entry.command.id.rawValue == id)
            return entry.button;
    }
    ADD_FAILURE() << "no button " << id;
    return nullptr;
}

// The identifiers of a group's controls, left to right; "fonts" for the font controls.
std::vector<std::string> groupContents(const ToolBandView& band, QWidget* group)
{
    std::vector<std::string> ids;
    for (QObject* child : group->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (!widget)
            continue;
        if (widget->isAncestorOf(band.fontPopup()))
            ids.emplace_back("fonts");
        else
            ids.push_back(widget->objectName().toStdString());
    }
    return ids;
}

// A menu's items by identifier, "-" for a separator.
std::vector<std::string> menuContents(QMenu* menu)
{
    std::vector<std::string> ids;
    for (QAction* action : menu->actions())
        ids.push_back(action->isSeparator() ? "-" : action->objectName().toStdString());
    return ids;
}

QImage imageOf(const QIcon& icon)
{
    return icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
}

} // namespace

TEST(ToolBand, buildsEightGroupsFromTheCatalogSlots)
{
    Windows windows;
    DocumentWindowController& window = windows.open(QStringLiteral("text"));
    ToolBandView* band = bandOf(window);
    ASSERT_NE(band, nullptr);

    using Ids = std::vector<std::string>;
    const std::vector<Ids> expected = {
        {"file.new",
         "app.quickMemo",
         "file.open",
         "file.openFolder",
         "view.folderSidebar",
         "file.saveNow",
         "file.print"},
        {"edit.undo", "edit.redo", "edit.multiMenu"},
        {"find.show", "find.replace", "find.filter", "edit.goToLine"},
        {"view.invisibles",
         "view.wrap",
         "view.lineNumbers",
         "view.currentLine",
         "view.zoomIn",
         "view.zoomOut"},
        {"fonts"},
        {"view.previewSplit", "view.previewOnly", "text.format", "text.tidyMenu", "view.hex"},
        {"text.chooseEncoding", "text.insertDateTime", "view.characterInfo", "view.follow"},
        {"app.commandPalette"},
    };
    ASSERT_EQ(band->groups().size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(groupContents(*band, band->groups()[i]), expected[i]);
    }

    // The pull-downs are not command buttons; every other control is one, in slot order.
    EXPECT_EQ(band->commandButtons().size(), 28u);
    ASSERT_EQ(band->menuButtons().size(), 2u);
    EXPECT_EQ(menuContents(band->menuButtons()[0].button->menu()),
              (Ids{"edit.addNextOccurrence",
                   "edit.selectAllOccurrences",
                   "-",
                   "edit.addCaretAbove",
                   "edit.addCaretBelow",
                   "edit.caretsAtLineEnds",
                   "-",
                   "edit.singleCaret"}));
    EXPECT_EQ(menuContents(band->menuButtons()[1].button->menu()),
              (Ids{"text.format",
                   "text.minify",
                   "-",
                   "line.sortAscending",
                   "line.sortDescending",
                   "line.removeDuplicates",
                   "text.trimTrailingWhitespace",
                   "-",
                   "text.uppercase",
                   "text.lowercase",
                   "text.capitalize"}));
    EXPECT_EQ(band->menuButtons()[1].button->popupMode(), QToolButton::InstantPopup);

    // The band sits at the top of the content, above the text.
    EXPECT_EQ(band->parentWidget(), window.content());
    EXPECT_EQ(band->geometry().top(), 0);
    EXPECT_GE(window.bodySplit()->geometry().top(), band->geometry().bottom());
}

TEST(ToolBand, makeCommandMenuShowsMissingCommandsAsSeparators)
{
    Windows windows;
    DocumentWindowController& window = windows.open(QStringLiteral("text"));
    std::unique_ptr<QMenu> menu(EditorWindow::makeCommandMenu({CommandID{"view.wrap"},
                                                               std::nullopt,
                                                               CommandID{"no.such"},
                                                               CommandID{"file.locate"},
                                                               CommandID{"view.zoomIn"}},
                                                              window,
                                                              nullptr));
    // "file.locate" is in the catalog but sends no action.
    EXPECT_EQ(menuContents(menu.get()),
              (std::vector<std::string>{"view.wrap", "-", "-", "-", "view.zoomIn"}));

    // An item sends its action along the window's chain.
    const bool wrapped = window.display()->options.wrapsLines;
    menu->actions()[0]->trigger();
    EXPECT_NE(window.display()->options.wrapsLines, wrapped);
}

TEST(ToolBand, buttonsSendTheirActionsAndToggleStatesFollowAtTheNextTurn)
{
    Windows windows;
    DocumentWindowController& window = windows.open(QStringLiteral("text"));
    ToolBandView* band = bandOf(window);
    EditorWindow::ToolBandButton* lineNumbers = buttonOf(window, "view.lineNumbers");
    ASSERT_FALSE(lineNumbers->isOn());
    ASSERT_TRUE(lineNumbers->isToggle);
    const QImage plain = imageOf(lineNumbers->icon());

    // From the main menu.
    QAction* item = nullptr;
    for (QAction* action : window.hostWindow()->findChildren<QAction*>()) {
        if (action->objectName() == QStringLiteral("view.lineNumbers")
            && window.hostWindow()->mainMenu().hiddenItems.end()
                   == std::find(window.hostWindow()->mainMenu().hiddenItems.begin(),
                                window.hostWindow()->mainMenu().hiddenItems.end(),
                                action))
            item = action;
    }
    ASSERT_NE(item, nullptr);
    item->trigger();
    EXPECT_TRUE(window.display()->options.showsLineNumbers);
    EXPECT_FALSE(lineNumbers->isOn()); // not before the next turn
    QCoreApplication::processEvents();
    EXPECT_TRUE(lineNumbers->isOn());
    // Tinted while on, plain again when off.
    EXPECT_NE(imageOf(lineNumbers->icon()), plain);
    lineNumbers->click();
    QCoreApplication::processEvents();
    EXPECT_FALSE(lineNumbers->isOn());
    EXPECT_EQ(imageOf(lineNumbers->icon()), plain);

    // However often asked within one turn: one refresh.
    const int before = band->refreshCount();
    for (int i = 0; i < 5; ++i)
        band->setNeedsRefresh();
    QCoreApplication::processEvents();
    EXPECT_EQ(band->refreshCount(), before + 1);

    // From the band itself.
    EditorWindow::ToolBandButton* wrap = buttonOf(window, "view.wrap");
    ASSERT_TRUE(wrap->isOn());
    wrap->click();
    EXPECT_FALSE(window.display()->options.wrapsLines);
    QCoreApplication::processEvents();
    EXPECT_FALSE(wrap->isOn());

    // Undo greys out and back as the stack changes.
    EditorWindow::ToolBandButton* undo = buttonOf(window, "edit.undo");
    EXPECT_FALSE(undo->isEnabled());
    window.textView()->insertText(QStringLiteral("typed"));
    QCoreApplication::processEvents();
    EXPECT_TRUE(undo->isEnabled());
    window.textView()->undoStack()->clear();
    QCoreApplication::processEvents();
    EXPECT_FALSE(undo->isEnabled());
}

TEST(ToolBand, unavailableButtonsVanishAndTheRowsAndHeightFollow)
{
    Windows windows;
    DocumentWindowController& window = windows.open(QStringLiteral("plain words"));
    ToolBandView* band = bandOf(window);
    EditorWindow::ToolBandButton* format = buttonOf(window, "text.format");
    // No preview here; plain text has no formatter either.
    for (const char* id : {"view.previewSplit", "view.previewOnly", "view.folderSidebar"}) {
        SCOPED_TRACE(id);
        EXPECT_TRUE(buttonOf(window, id)->isHidden());
    }
    EXPECT_TRUE(format->isHidden());
    // Greyed, not hidden: the rest.
    EXPECT_FALSE(buttonOf(window, "view.follow")->isHidden());
    EXPECT_FALSE(buttonOf(window, "view.follow")->isEnabled());

    std::vector<int> rowsHidden;
    for (int width = 200; width <= 1400; width += 20)
        rowsHidden.push_back(band->rowsForWidth(width));

    window.setLanguageChoice(EditorFeatures::CodeLanguage::json);
    QCoreApplication::processEvents();
    EXPECT_FALSE(format->isHidden());

    int wider = 0;
    int fewerRows = 0;
    for (int width = 200, i = 0; width <= 1400; width += 20, ++i) {
        const int rows = band->rowsForWidth(width);
        EXPECT_GE(rows, rowsHidden[i]) << width;
        if (!wider && rows > rowsHidden[i]) {
            wider = width;
            fewerRows = rowsHidden[i];
        }
    }
    ASSERT_NE(wider, 0) << "no width where the format button takes another row";

    // The band's height follows its rows at that width.
    window.page()->resize(wider, 500);
    window.content()->resize(wider, 500);
    window.content()->layoutContent();
    const int shownRows = band->rowsForWidth(wider);
    EXPECT_EQ(band->height(), shownRows * EditorWindow::DocumentContentView::rowHeight + 4);
    window.setLanguageChoice(EditorFeatures::CodeLanguage::plainText);
    QCoreApplication::processEvents();
    EXPECT_TRUE(format->isHidden());
    EXPECT_EQ(band->height(), fewerRows * EditorWindow::DocumentContentView::rowHeight + 4);
    EXPECT_EQ(window.bodySplit()->geometry().top(), band->geometry().bottom() + 1);
}

// A text file in a window with its folder sidebar shows the sidebar's button beside every
// button a text file has; at the window's default width they take one row. (A Markdown file's
// preview and formatter buttons on top of that flow into a second row, as any group that does
// not fit does.)
TEST(ToolBand, theFolderSidebarsButtonKeepsOneRowAtTheDefaultWindowWidth)
{
    constexpr int defaultWindowWidth = 1180;
    Windows windows;
    DocumentWindowController& window = windows.open(QStringLiteral("text"));
    ToolBandView* band = bandOf(window);
    buttonOf(window, "view.folderSidebar")->setHidden(false);
    QStringList widths;
    for (QWidget* group : band->groups())
        widths << QString::number(group->isHidden() ? 0 : group->sizeHint().width());
    EXPECT_EQ(band->rowsForWidth(defaultWindowWidth), 1)
        << "groups " << widths.join(QLatin1Char(' ')).toStdString();
}

TEST(ToolBand, sizeAndSpacingPopupsShowTheEffectiveValues)
{
    struct Case
    {
        const char* name;
        double size;
        const char* expected;
        bool appended;
    };
    const Case cases[] = {
        {"listed", 14.0, "14", false},
        {"missing", 17.0, "17", true},
        {"half rounds up", 12.5, "13", false},
        {"half of a missing size", 16.5, "17", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Windows windows;
        windows.settings->set(c.size, EditorStore::SettingKeys::viewFontSize);
        DocumentWindowController& window = windows.open(QStringLiteral("text"));
        QComboBox* sizes = bandOf(window)->sizePopup();
        EXPECT_EQ(sizes->currentText(), QString::fromUtf8(c.expected));
        EXPECT_EQ(sizes->count(), c.appended ? 16 : 15);
        if (c.appended) {
            EXPECT_EQ(sizes->currentIndex(), 15);
        }
    }

    // A setting changed while the window is open.
    Windows windows;
    DocumentWindowController& window = windows.open(QStringLiteral("text"));
    ToolBandView* band = bandOf(window);
    EXPECT_EQ(band->spacingPopup()->count(), 6);
    EXPECT_EQ(band->spacingPopup()->currentText(), QStringLiteral("1.4"));
    windows.settings->set(17.0, EditorStore::SettingKeys::viewFontSize);
    QCoreApplication::processEvents();
    EXPECT_EQ(band->sizePopup()->currentText(), QStringLiteral("17"));
    EXPECT_EQ(band->sizePopup()->itemText(band->sizePopup()->count() - 1), QStringLiteral("17"));
}

TEST(ToolBand, aChoiceHoldsForThisTabAndFileAndThePinMakesItTheDefault)
{
    Windows windows;
    DocumentWindowController& first =
        windows.open(QStringLiteral("one"), [](auto& d) { d.url = "/tmp/one.txt"; });
    DocumentWindowController& second =
        windows.open(QStringLiteral("two"), [](auto& d) { d.url = "/tmp/two.txt"; });
    ToolBandView* band = bandOf(first);
    QComboBox* spacing = band->spacingPopup();

    const int index = spacing->findText(QStringLiteral("1.6"));
    ASSERT_GE(index, 0);
    spacing->setCurrentIndex(index);
    emit spacing->activated(index);

    EXPECT_EQ(first.display()->options.lineSpacing, 1.6);
    EXPECT_EQ(second.display()->options.lineSpacing, std::nullopt);
    EXPECT_EQ(windows.stateSaves, 1);
    ASSERT_EQ(windows.remembered.size(), 1u);
    EXPECT_EQ(windows.remembered[0].first, std::filesystem::path("/tmp/one.txt"));
    EXPECT_EQ(windows.remembered[0].second.lineSpacing, 1.6);
    EXPECT_EQ(windows.settings->value(EditorStore::SettingKeys::viewLineSpacing), 1.4);

    band->pinButton()->click();
    EXPECT_EQ(windows.settings->value(EditorStore::SettingKeys::viewLineSpacing), 1.6);
    // Only the choice that was made.
    EXPECT_EQ(windows.settings->storedKeys(EditorStore::SettingGroup::view),
              std::vector<std::string>{"view.lineSpacing"});
}

TEST(ToolBand, thePinWithoutChoicesStoresNothing)
{
    Windows windows;
    DocumentWindowController& window = windows.open(QStringLiteral("text"));
    int posts = 0;
    auto observer = EditorStore::SettingsChangeCenter::shared()->addObserver(
        [&](const std::vector<std::string>&) { ++posts; });
    bandOf(window)->pinButton()->click();
    EditorStore::SettingsChangeCenter::shared()->removeObserver(observer);
    EXPECT_EQ(posts, 0);
    EXPECT_TRUE(windows.settings->storedKeys(EditorStore::SettingGroup::view).empty());
}

TEST(ToolBand, tooltipsNameShortcutsWithLinuxKeys)
{
    Windows windows;
    DocumentWindowController& window = windows.open(QStringLiteral("text"));
    auto title = [](const char* id) {
        return EditorKit::localized(EditorCommands::CommandCatalog::command(CommandID{id})->title);
    };
    struct Case
    {
        const char* id;
        QString tip;
    };
    const Case buttons[] = {
        {"find.show", title("find.show") + " (Ctrl+F)"},
        {"view.wrap", title("view.wrap") + " (Ctrl+Alt+L)"},
        // No shortcut: the title alone.
        {"app.quickMemo", title("app.quickMemo")},
    };
    for (const auto& c : buttons) {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(buttonOf(window, c.id)->toolTip(), c.tip);
    }
    // A remapped chord, as the multi-caret pull-down and any other tooltip show it.
    auto caretAbove = *EditorCommands::CommandCatalog::command(CommandID{"edit.addCaretAbove"});
    EXPECT_EQ(ToolBandView::toolTip(caretAbove), title("edit.addCaretAbove") + " (Alt+Shift+Up)");
    QMenu* multi = bandOf(window)->menuButtons()[0].button->menu();
    EXPECT_EQ(multi->actions()[3]->shortcut().toString(QKeySequence::NativeText),
              QStringLiteral("Alt+Shift+Up"));

    ToolBandView* band = bandOf(window);
    EXPECT_EQ(band->fontPopup()->toolTip(), QStringLiteral("글꼴 (이 탭만)"));
    EXPECT_EQ(band->sizePopup()->toolTip(), QStringLiteral("글자 크기 (이 탭만)"));
    EXPECT_EQ(band->spacingPopup()->toolTip(), QStringLiteral("줄 간격 (이 탭만)"));
    EXPECT_EQ(band->pinButton()->toolTip(),
              QStringLiteral("이 글꼴 · 크기 · 줄 간격을 새 탭의 기본으로"));
}

TEST(ToolBand, fontControlTipsFollowTheInterfaceLanguage)
{
    struct Case
    {
        const char* language;
        const char* font;
        const char* pin;
    };
    const Case cases[] = {
        {"en", "Font (this tab only)", "Use this font, size and line spacing for new tabs"},
        {"ja", "フォント（このタブのみ）", "このフォント・サイズ・行間を新しいタブの既定にする"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.language);
        ASSERT_TRUE(EditorKit::installTranslation(c.language));
        Windows windows;
        ToolBandView* band = bandOf(windows.open(QStringLiteral("text")));
        EXPECT_EQ(band->fontPopup()->toolTip(), QString::fromUtf8(c.font));
        EXPECT_EQ(band->pinButton()->toolTip(), QString::fromUtf8(c.pin));
        EXPECT_NE(band->sizePopup()->toolTip(), QStringLiteral("글자 크기 (이 탭만)"));
        EXPECT_NE(band->spacingPopup()->toolTip(), QStringLiteral("줄 간격 (이 탭만)"));
    }
    EditorKit::installTranslation(QString());
}

TEST(ToolBand, everyCatalogSymbolShipsAndAMissingOneFallsBack)
{
    for (const auto& command : EditorCommands::CommandCatalog::all()) {
        if (command.symbol) {
            SCOPED_TRACE(command.id.rawValue);
            EXPECT_TRUE(EditorKit::Symbols::has(*command.symbol));
        }
    }
    // The band's own, and those of the find bar and the folder sidebar.
    for (const char* name : {"questionmark",
                             "ellipsis",
                             "pin",
                             "chevron.left",
                             "chevron.right",
                             "xmark",
                             "plus",
                             "minus.circle",
                             "doc.badge.plus",
                             "folder.badge.plus",
                             "eye",
                             "eye.slash"})
        EXPECT_TRUE(EditorKit::Symbols::has(name)) << name;

    QWidget parent;
    EditorCommands::Command bare;
    bare.id = CommandID{"test.bare"};
    bare.title = "맨 명령";
    auto* button = ToolBandView::makeCommandButton(bare, &parent);
    const QColor color = parent.palette().color(QPalette::ButtonText);
    const QImage shown = imageOf(button->icon());
    EXPECT_FALSE(shown.isNull());
    EXPECT_EQ(shown, imageOf(EditorKit::Symbols::icon("questionmark", color)));
    EXPECT_NE(shown, imageOf(EditorKit::Symbols::icon("ellipsis", color)));
    EXPECT_EQ(button->toolTip(), QStringLiteral("맨 명령"));
}

TEST(ToolBand, rowFramesWrapGroupsThatDoNotFit)
{
    using Widths = std::vector<std::optional<int>>;
    struct Case
    {
        const char* name;
        Widths widths;
        int width;
        std::vector<QRect> frames;
        int rows;
    };
    const Case cases[] = {
        {"one row", {100, 50}, 400, {{8, 5, 100, 24}, {114, 5, 50, 24}}, 1},
        // 114 + 200 = 314 > 300 - 8.
        {"wraps", {100, 200, 50}, 300, {{8, 5, 100, 24}, {8, 35, 200, 24}, {214, 35, 50, 24}}, 2},
        // Exactly at the right margin still fits.
        {"fits to the margin", {100, 178}, 300, {{8, 5, 100, 24}, {114, 5, 178, 24}}, 1},
        {"hidden takes no room",
         {100, std::nullopt, 100},
         222,
         {{8, 5, 100, 24}, {}, {114, 5, 100, 24}},
         1},
        // Too wide for any row: alone on its row, never wrapped before it starts.
        {"first of a row never wraps", {500, 500}, 300, {{8, 5, 500, 24}, {8, 35, 500, 24}}, 2},
        {"nothing", {}, 300, {}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto layout = ToolBandView::rowFrames(c.widths, c.width);
        EXPECT_EQ(layout.frames, c.frames);
        EXPECT_EQ(layout.rows, c.rows);
    }
}

TEST(ToolBand, theSettingTurnsTheBandOffAndOnInEveryWindow)
{
    Windows windows;
    DocumentWindowController& window = windows.open(QStringLiteral("text"));
    ASSERT_NE(bandOf(window), nullptr);

    windows.settings->set(false, EditorStore::SettingKeys::viewShowToolbar);
    QCoreApplication::processEvents();
    EXPECT_EQ(bandOf(window), nullptr);
    EXPECT_EQ(window.bodySplit()->geometry().top(), 0);

    windows.settings->set(true, EditorStore::SettingKeys::viewShowToolbar);
    QCoreApplication::processEvents();
    ToolBandView* band = bandOf(window);
    ASSERT_NE(band, nullptr);
    EXPECT_TRUE(band->isVisible());
    EXPECT_EQ(band->geometry().top(), 0);
    EXPECT_GT(window.bodySplit()->geometry().top(), band->geometry().bottom());
}
