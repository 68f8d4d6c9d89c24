#include "store/Settings.h"
#include "tests/platform/FileText.h"
#include "tests/platform/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <thread>

using namespace EditorStore;
using Platform::PreferencesDomain;
using Platform::PreferenceValue;

namespace {

// A store over a fresh preferences file, with its own report state and change observers.
class SettingsTest : public testing::Test
{
protected:
    SettingsTest()
    {
        reporter->setHandler([this](const std::string& name) { reported.push_back(name); });
        changes->addObserver(
            [this](const std::vector<std::string>& keys) { posted.push_back(keys); });
    }

    Settings settings(std::map<std::string, std::string> arguments = {})
    {
        return Settings(defaults, std::move(arguments), reporter, changes);
    }

    void storeValue(const char* name, PreferenceValue value)
    {
        ASSERT_TRUE(PreferencesDomain(file).set(name, value).has_value());
    }

    TemporaryFolder folder;
    std::filesystem::path file = folder / "group-defaults.json";
    std::shared_ptr<PreferencesDomain> defaults = std::make_shared<PreferencesDomain>(file);
    std::shared_ptr<SettingsReporter> reporter = std::make_shared<SettingsReporter>();
    std::shared_ptr<SettingsChangeCenter> changes = std::make_shared<SettingsChangeCenter>();
    std::vector<std::string> reported;
    std::vector<std::vector<std::string>> posted;
};

using Keys = std::vector<std::string>;

} // namespace

TEST_F(SettingsTest, nothingStoredReadsDefaultsAndReportsNothing)
{
    auto store = settings();
    EXPECT_EQ(store.value(SettingKeys::generalLanguage), "system");
    EXPECT_TRUE(store.value(SettingKeys::generalRestoreWindows));
    EXPECT_EQ(store.value(SettingKeys::editorIndentWidth), 4);
    EXPECT_EQ(store.value(SettingKeys::viewFontSize), 13.0);
    EXPECT_EQ(store.value(SettingKeys::viewLineSpacing), 1.4);
    EXPECT_EQ(store.value(SettingKeys::fileLargeFileMB), 100);
    EXPECT_TRUE(reported.empty());
}

TEST_F(SettingsTest, storedValuesAreConvertedCheckedAndReportedOnce)
{
    struct Case
    {
        const char* name;
        PreferenceValue stored;
        std::function<bool(const Settings&)> readsExpected;
        bool reports;
    };
    const Case cases[] = {
        {"view.font.size",
         std::string("14"),
         [](auto& s) { return s.value(SettingKeys::viewFontSize) == 14.0; },
         false},
        {"view.font.size",
         std::string("abc"),
         [](auto& s) { return s.value(SettingKeys::viewFontSize) == 13.0; },
         true},
        {"view.newTab.wrap",
         std::int64_t{2},
         [](auto& s) { return s.value(SettingKeys::viewNewTabWrap); },
         true},
        {"view.newTab.wrap",
         std::string("no"),
         [](auto& s) { return !s.value(SettingKeys::viewNewTabWrap); },
         false},
        {"view.newTab.wrap",
         std::string("on"),
         [](auto& s) { return s.value(SettingKeys::viewNewTabWrap); },
         true},
        {"editor.indent.width",
         std::int64_t{40},
         [](auto& s) { return s.value(SettingKeys::editorIndentWidth) == 4; },
         true},
        {"editor.indent.width",
         std::string("+8"),
         [](auto& s) { return s.value(SettingKeys::editorIndentWidth) == 8; },
         false},
        {"editor.indent.width",
         std::string("8.0"),
         [](auto& s) { return s.value(SettingKeys::editorIndentWidth) == 4; },
         true},
        {"editor.indent.width",
         6.9,
         [](auto& s) { return s.value(SettingKeys::editorIndentWidth) == 6; },
         false},
        {"editor.indent.width",
         1e300,
         [](auto& s) { return s.value(SettingKeys::editorIndentWidth) == 4; },
         true},
        {"general.language",
         std::int64_t{7},
         [](auto& s) { return s.value(SettingKeys::generalLanguage) == "system"; },
         true},
        {"view.theme",
         std::vector<std::string>{"dark"},
         [](auto& s) { return s.value(SettingKeys::viewTheme) == "system"; },
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " #" + std::to_string(&c - cases));
        auto fresh = std::make_shared<SettingsReporter>();
        std::vector<std::string> names;
        fresh->setHandler([&](const std::string& name) { names.push_back(name); });
        storeValue(c.name, c.stored);
        Settings store(defaults, {}, fresh, changes);
        EXPECT_TRUE(c.readsExpected(store));
        EXPECT_TRUE(c.readsExpected(store));
        EXPECT_EQ(names, c.reports ? Keys{c.name} : Keys{});
    }
}

TEST_F(SettingsTest, storedValueIsNeverRepairedByARead)
{
    storeValue("view.theme", std::string("blue"));
    EXPECT_EQ(settings().value(SettingKeys::viewTheme), "system");
    EXPECT_EQ(PreferencesDomain(file).object("view.theme"), PreferenceValue(std::string("blue")));
}

TEST_F(SettingsTest, commandLineOverridesTheStoredValue)
{
    storeValue("view.theme", std::string("light"));
    EXPECT_EQ(settings({{"view.theme", "dark"}}).value(SettingKeys::viewTheme), "dark");
    EXPECT_EQ(settings({{"editor.indent.width", "8"}}).value(SettingKeys::editorIndentWidth), 8);
    EXPECT_TRUE(reported.empty());

    storeValue("view.theme", std::string("dark"));
    EXPECT_EQ(settings({{"view.theme", "blue"}}).value(SettingKeys::viewTheme), "system");
    EXPECT_EQ(reported, Keys{"view.theme"});

    // A write does not touch the command line's value.
    auto overridden = settings({{"view.theme", "dark"}});
    overridden.set("light", SettingKeys::viewTheme);
    EXPECT_EQ(overridden.value(SettingKeys::viewTheme), "dark");
}

TEST_F(SettingsTest, nameFoundBadBeforeTheHandlerIsNeverReported)
{
    reporter->setHandler({});
    storeValue("view.theme", std::string("blue"));
    auto store = settings();
    EXPECT_EQ(store.value(SettingKeys::viewTheme), "system");
    reporter->setHandler([this](const std::string& name) { reported.push_back(name); });
    EXPECT_EQ(store.value(SettingKeys::viewTheme), "system");
    EXPECT_TRUE(reported.empty());
}

TEST_F(SettingsTest, handlerRunsOutsideTheLockAndMayReadSettings)
{
    storeValue("view.theme", std::string("blue"));
    storeValue("editor.indent.width", std::int64_t{99});
    auto store = settings();
    reporter->setHandler([&](const std::string& name) {
        reported.push_back(name);
        // Reading another bad value from inside the handler must not deadlock.
        (void)store.value(SettingKeys::editorIndentWidth);
        (void)reporter->handler();
    });
    EXPECT_EQ(store.value(SettingKeys::viewTheme), "system");
    EXPECT_EQ(reported, (Keys{"view.theme", "editor.indent.width"}));
}

TEST_F(SettingsTest, reportsOnceUnderConcurrentReads)
{
    storeValue("view.theme", std::string("blue"));
    auto store = settings();
    std::atomic<int> calls = 0;
    reporter->setHandler([&](const std::string&) { ++calls; });
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 50; ++i)
                (void)store.value(SettingKeys::viewTheme);
        });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(calls, 1);
}

TEST_F(SettingsTest, setStoresRemovesDefaultsAndPostsEveryAcceptedWrite)
{
    auto store = settings();
    store.set(8, SettingKeys::editorIndentWidth);
    EXPECT_EQ(PreferencesDomain(file).object("editor.indent.width"),
              PreferenceValue(std::int64_t{8}));
    store.set(8, SettingKeys::editorIndentWidth);
    store.set(17, SettingKeys::editorIndentWidth);
    EXPECT_EQ(store.value(SettingKeys::editorIndentWidth), 8);
    store.set(4, SettingKeys::editorIndentWidth);
    EXPECT_FALSE(PreferencesDomain(file).contains("editor.indent.width"));
    EXPECT_EQ(posted,
              (std::vector<Keys>{
                  {"editor.indent.width"}, {"editor.indent.width"}, {"editor.indent.width"}}));

    store.set(std::string("dark"), SettingKeys::viewTheme);
    store.set(16.5, SettingKeys::viewFontSize);
    store.set(true, SettingKeys::fileNewBOM);
    store.set(std::nan(""), SettingKeys::viewFontSize);
    store.set(std::string(""), SettingKeys::viewFontName);
    EXPECT_EQ(posted.size(), 6u);
    EXPECT_EQ(store.value(SettingKeys::viewTheme), "dark");
    EXPECT_EQ(store.value(SettingKeys::viewFontSize), 16.5);
    EXPECT_TRUE(store.value(SettingKeys::fileNewBOM));
    EXPECT_EQ(PreferencesDomain(file).object("file.new.bom"), PreferenceValue(true));
    EXPECT_TRUE(reported.empty());
}

TEST_F(SettingsTest, resetRemovesTheGroupsStoredValuesAndPosts)
{
    storeValue("file.new.bom", true);
    storeValue("file.largeFileMB", std::int64_t{200});
    storeValue("view.theme", std::string("dark"));
    storeValue("unrelated", std::string("kept"));
    auto store = settings({{"file.new.encoding", "euc-kr"}});
    EXPECT_EQ(store.storedKeys(SettingGroup::file), (Keys{"file.new.bom", "file.largeFileMB"}));

    store.reset(SettingGroup::file);
    EXPECT_EQ(posted, (std::vector<Keys>{{"file.new.bom", "file.largeFileMB"}}));
    EXPECT_TRUE(store.storedKeys(SettingGroup::file).empty());
    EXPECT_EQ(store.storedKeys(SettingGroup::view), Keys{"view.theme"});
    EXPECT_TRUE(PreferencesDomain(file).contains("unrelated"));

    store.reset(SettingGroup::editor);
    EXPECT_EQ(posted.back(), Keys{});
    EXPECT_EQ(posted.size(), 2u);
}

TEST_F(SettingsTest, observersCanBeRemoved)
{
    auto store = settings();
    int calls = 0;
    auto id = changes->addObserver([&](const Keys&) { ++calls; });
    store.set(true, SettingKeys::viewNewTabRuler);
    changes->removeObserver(id);
    store.set(false, SettingKeys::viewNewTabRuler);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(posted.size(), 2u);
}

TEST(SettingsShared, usesTheGroupPreferencesFile)
{
    EXPECT_EQ(Settings::shared().defaults().file().filename(), "group-defaults.json");
    EXPECT_EQ(&Settings::shared(), &Settings::shared());
    EXPECT_EQ(Settings::didChangeNotification, "app.orlune.viewer.settingsDidChange");
}
