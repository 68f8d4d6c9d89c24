#include "store/WindowState.h"
#include "tests/platform/FileText.h"
#include "tests/platform/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

using namespace EditorStore;
using EditorCore::TextEncoding;
using Json = nlohmann::json;
namespace fs = std::filesystem;

namespace {

const Platform::Uuid scratchA = *Platform::Uuid::parse("6BA7B810-9DAD-41D1-80B4-00C04FD430C8");
const Platform::Uuid scratchB = *Platform::Uuid::parse("00000000-0000-4000-8000-00000000000B");

TabRestoreState fileTab(std::string path, std::int64_t location = 0)
{
    return TabRestoreState(TabRestoreState::File{std::nullopt, std::move(path)},
                           location,
                           0,
                           1,
                           1.0,
                           false,
                           true,
                           true,
                           false,
                           false,
                           false,
                           std::nullopt,
                           std::nullopt,
                           std::nullopt,
                           std::nullopt,
                           std::nullopt);
}

TabRestoreState scratchTab(const Platform::Uuid& id)
{
    auto tab = fileTab("");
    tab.doc = TabRestoreState::Scratch{id};
    return tab;
}

WindowState fullState()
{
    std::vector<std::uint8_t> bookmark = {0, 1, 2, 0xFE, 0xFF, '/', '+'};
    TabRestoreState first(TabRestoreState::File{bookmark, "/home/a/문서/notes.txt"},
                          12,
                          5,
                          40,
                          1.25,
                          true,
                          true,
                          false,
                          true,
                          true,
                          true,
                          TextEncoding::cp949,
                          "D2Coding",
                          14.5,
                          1.2,
                          false);
    TabRestoreState second(TabRestoreState::Scratch{scratchA},
                           -3,
                           4,
                           1,
                           0.5,
                           false,
                           false,
                           true,
                           false,
                           false,
                           false,
                           std::nullopt,
                           std::nullopt,
                           std::nullopt,
                           std::nullopt,
                           true);
    WindowRestoreState one(
        {10.5, -20, 1180, 640},
        4294967295u,
        false,
        {first, second},
        1,
        FolderRestoreState(
            {{9, 8, 7}}, "/home/a", {"/home/a/src", "/home/a/docs"}, true, 240.0, false));
    WindowRestoreState two(
        {0, 0, 800, 600}, std::nullopt, true, {scratchTab(scratchB)}, 0, std::nullopt);
    return WindowState({one, two});
}

// A valid tab object to spoil.
Json tabObject()
{
    return Json::parse(R"({"doc": {"file": {"path": "/a.txt"}}, "selectionLocation": 0,
        "selectionLength": 0, "scrollTopLine": 1, "zoom": 1, "wrap": false, "lineNumbers": true,
        "currentLine": true, "invisibles": false, "follow": false, "readOnlyByUser": false})");
}

Json windowObject(Json tabs, std::int64_t selectedTab = 0)
{
    return {{"frame", {{0, 0}, {800, 600}}},
            {"fullScreen", false},
            {"tabs", std::move(tabs)},
            {"selectedTab", selectedTab}};
}

Json rootObject(Json windows)
{
    return {{"schemaVersion", 1}, {"windows", std::move(windows)}};
}

class WindowStateStoreTest : public testing::Test
{
protected:
    void writeFile(const Json& root)
    {
        fs::create_directories(store.fileURL().parent_path());
        writeText(store.fileURL(), root.dump());
    }

    TemporaryFolder folder;
    WindowStateStore store{folder / "support" / "WindowState.json"};
};

} // namespace

TEST_F(WindowStateStoreTest, aFullStateRoundTripsEqual)
{
    EXPECT_EQ(store.load(), std::nullopt);
    auto state = fullState();
    ASSERT_TRUE(store.save(state).has_value());
    auto loaded = store.load();
    ASSERT_TRUE(loaded.has_value());
    EXPECT_EQ(*loaded, state);
    EXPECT_EQ(std::get<TabRestoreState::File>(loaded->windows[0].tabs[0].doc).bookmark,
              (std::vector<std::uint8_t>{0, 1, 2, 0xFE, 0xFF, '/', '+'}));

    auto text = fileText(store.fileURL());
    EXPECT_NE(text.find("\"frame\" : [\n        [\n          10.5,\n          -20.0\n        ],"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("\"id\" : \"6BA7B810-9DAD-41D1-80B4-00C04FD430C8\""), std::string::npos)
        << text;
    // The tab's keys stand sorted.
    std::vector<std::size_t> positions;
    for (const char* key : {"currentLine",
                            "doc",
                            "encodingOverride",
                            "follow",
                            "fontFamily",
                            "fontSize",
                            "invisibles",
                            "lineNumbers",
                            "lineSpacing",
                            "readOnlyByUser",
                            "ruler",
                            "scrollTopLine",
                            "selectionLength",
                            "selectionLocation",
                            "wrap",
                            "zoom"})
        positions.push_back(text.find("\"" + std::string(key) + "\" :"));
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
    EXPECT_EQ(text.find("null"), std::string::npos);
}

TEST_F(WindowStateStoreTest, anEmptyStateIsValidAndOtherVersionsAreNot)
{
    ASSERT_TRUE(store.save(WindowState(std::vector<WindowRestoreState>{})).has_value());
    auto loaded = store.load();
    ASSERT_TRUE(loaded.has_value());
    EXPECT_EQ(loaded->schemaVersion, 1);
    EXPECT_TRUE(loaded->windows.empty());

    auto other = rootObject(Json::array({windowObject({tabObject()})}));
    other["schemaVersion"] = 2;
    writeFile(other);
    EXPECT_EQ(store.load(), std::nullopt);
}

TEST_F(WindowStateStoreTest, extraKeysAreIgnoredAndAbsentOptionalsStayAbsent)
{
    auto tab = tabObject();
    tab["extra"] = 1;
    tab["doc"]["extra"] = true;
    tab["doc"]["file"]["extra"] = "x";
    tab["fontSize"] = nullptr;
    auto window = windowObject({tab});
    window["extra"] = Json::object();
    auto root = rootObject({window});
    root["extra"] = Json::array();
    writeFile(root);

    auto loaded = store.load();
    ASSERT_TRUE(loaded.has_value());
    ASSERT_EQ(loaded->windows.size(), 1u);
    const auto& read = loaded->windows[0].tabs.at(0);
    EXPECT_EQ(read, fileTab("/a.txt"));
    EXPECT_EQ(loaded->windows[0].screenID, std::nullopt);

    ASSERT_TRUE(store.save(*loaded).has_value());
    auto text = fileText(store.fileURL());
    for (const char* key : {"fontFamily",
                            "fontSize",
                            "lineSpacing",
                            "ruler",
                            "encodingOverride",
                            "bookmark",
                            "screenID",
                            "folder",
                            "extra"})
        EXPECT_EQ(text.find(key), std::string::npos) << key;
}

TEST_F(WindowStateStoreTest, valuesThatFailTheWholeFile)
{
    struct Case
    {
        const char* name;
        std::function<void(Json&)> spoil; // of a root with one window of one tab
    };
    const Case cases[] = {
        {"screenID -1", [](Json& root) { root["windows"][0]["screenID"] = -1; }},
        {"screenID 2^32", [](Json& root) { root["windows"][0]["screenID"] = 4294967296LL; }},
        {"screenID 1.5", [](Json& root) { root["windows"][0]["screenID"] = 1.5; }},
        {"frame of one pair",
         [](Json& root) {
             root["windows"][0]["frame"] = {{0, 0}};
         }},
        {"frame of strings",
         [](Json& root) {
             root["windows"][0]["frame"] = {{"0", 0}, {1, 1}};
         }},
        {"selectedTab null", [](Json& root) { root["windows"][0]["selectedTab"] = nullptr; }},
        {"folder without path",
         [](Json& root) {
             root["windows"][0]["folder"] = {{"expanded", Json::array()},
                                             {"showsHidden", false},
                                             {"width", 200},
                                             {"visible", true}};
         }},
        {"folder bookmark not Base64",
         [](Json& root) {
             root["windows"][0]["folder"] = {{"bookmark", "@@"},
                                             {"path", "/"},
                                             {"expanded", Json::array()},
                                             {"showsHidden", false},
                                             {"width", 200},
                                             {"visible", true}};
         }},
        {"windows not an array", [](Json& root) { root["windows"] = Json::object(); }},
        {"schemaVersion missing", [](Json& root) { root.erase("schemaVersion"); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto root = rootObject({windowObject({tabObject()})});
        c.spoil(root);
        writeFile(root);
        EXPECT_EQ(store.load(), std::nullopt);
    }
    writeText(store.fileURL(), "{\"schemaVersion\": 1, \"windows\": [");
    EXPECT_EQ(store.load(), std::nullopt);
}

TEST_F(WindowStateStoreTest, tabValuesAreReadStrictly)
{
    struct Case
    {
        const char* name;
        std::function<void(Json&)> change;
        bool readable;
    };
    const Case cases[] = {
        {"zoom missing", [](Json& tab) { tab.erase("zoom"); }, false},
        {"zoom null", [](Json& tab) { tab["zoom"] = nullptr; }, false},
        {"wrap a number", [](Json& tab) { tab["wrap"] = 1; }, false},
        {"selection 1.5", [](Json& tab) { tab["selectionLocation"] = 1.5; }, false},
        {"selection 2.0", [](Json& tab) { tab["selectionLocation"] = 2.0; }, true},
        {"encoding utf-7", [](Json& tab) { tab["encodingOverride"] = "utf-7"; }, false},
        {"encoding cp949", [](Json& tab) { tab["encodingOverride"] = "cp949"; }, true},
        {"both documents",
         [](Json& tab) {
             tab["doc"]["scratch"] = {{"id", "6BA7B810-9DAD-41D1-80B4-00C04FD430C8"}};
         },
         false},
        {"no document",
         [](Json& tab) {
             tab["doc"] = {{"other", 1}};
         },
         false},
        {"scratch in lower case",
         [](Json& tab) {
             tab["doc"] = {{"scratch", {{"id", "6ba7b810-9dad-41d1-80b4-00c04fd430c8"}}}};
         },
         true},
        {"scratch id not a UUID",
         [](Json& tab) {
             tab["doc"] = {{"scratch", {{"id", "x"}}}};
         },
         false},
        {"file bookmark not Base64",
         [](Json& tab) { tab["doc"]["file"]["bookmark"] = "a"; },
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto tab = tabObject();
        c.change(tab);
        EXPECT_EQ(TabRestoreState::decode(tab).has_value(), c.readable);
    }
    auto both = tabObject();
    both["doc"]["scratch"] = {{"id", "6BA7B810-9DAD-41D1-80B4-00C04FD430C8"}};
    EXPECT_EQ(TabRestoreState::decode(both).error(), "Invalid number of keys found, expected one.");
    auto encoded = tabObject();
    encoded["encodingOverride"] = "cp949";
    EXPECT_EQ(TabRestoreState::decode(encoded)->encodingOverride, TextEncoding::cp949);
}

// One missing key in one tab used to make the whole arrangement unreadable, and the next
// save then overwrote it. Now only that tab goes.
TEST_F(WindowStateStoreTest, anUnreadableTabIsDroppedAlone)
{
    auto bad = tabObject();
    bad.erase("zoom");
    auto tab = [](const char* path) {
        auto object = tabObject();
        object["doc"]["file"]["path"] = path;
        return object;
    };
    struct Case
    {
        const char* name;
        Json tabs;
        std::int64_t selected;
        std::vector<std::string> keptPaths;
        std::int64_t expectedSelection;
    };
    const Case cases[] = {
        {"selected tab kept moves with it", {bad, tab("/b"), tab("/c")}, 2, {"/b", "/c"}, 1},
        {"dropped selection goes to the next kept tab",
         {tab("/a"), bad, tab("/c")},
         1,
         {"/a", "/c"},
         1},
        {"dropped first selection goes to the next",
         {bad, tab("/b"), tab("/c")},
         0,
         {"/b", "/c"},
         0},
        {"dropped last selection clamps to the last kept",
         {tab("/a"), tab("/b"), bad},
         2,
         {"/a", "/b"},
         1},
        {"nothing dropped keeps the index as saved", {tab("/a"), tab("/b")}, 7, {"/a", "/b"}, 7},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto other = windowObject({tab("/other")});
        writeFile(rootObject({windowObject(c.tabs, c.selected), other}));
        auto loaded = store.load();
        ASSERT_TRUE(loaded.has_value());
        ASSERT_EQ(loaded->windows.size(), 2u);
        std::vector<std::string> paths;
        for (const auto& kept : loaded->windows[0].tabs)
            paths.push_back(std::get<TabRestoreState::File>(kept.doc).path);
        EXPECT_EQ(paths, c.keptPaths);
        EXPECT_EQ(loaded->windows[0].selectedTab, c.expectedSelection);
        EXPECT_EQ(loaded->windows[1].tabs.at(0), fileTab("/other"));
    }

    // A window left without tabs goes; an empty window saved so stays.
    writeFile(rootObject(
        {windowObject({bad, bad}), windowObject(Json::array()), windowObject({tab("/z")})}));
    auto loaded = store.load();
    ASSERT_TRUE(loaded.has_value());
    ASSERT_EQ(loaded->windows.size(), 2u);
    EXPECT_TRUE(loaded->windows[0].tabs.empty());
    EXPECT_EQ(loaded->windows[1].tabs.at(0), fileTab("/z"));
}

TEST_F(WindowStateStoreTest, saveFailuresLeaveTheOldFile)
{
    ASSERT_TRUE(store.save(fullState()).has_value());
    for (double bad : {NAN, INFINITY}) {
        auto state = fullState();
        state.windows[0].tabs[0].zoom = bad;
        EXPECT_FALSE(store.save(state).has_value());
        state = fullState();
        state.windows[1].frame.width = bad;
        EXPECT_FALSE(store.save(state).has_value());
        state = fullState();
        state.windows[0].folder->width = -bad;
        EXPECT_FALSE(store.save(state).has_value());
    }
    EXPECT_EQ(store.load(), fullState());

    TemporaryFolder other;
    writeText(other / "support", "a file where the folder should be");
    WindowStateStore blocked{other / "support" / "WindowState.json"};
    EXPECT_FALSE(blocked.save(fullState()).has_value());
    EXPECT_TRUE(fs::is_regular_file(other / "support"));

    WindowStateStore deep{other / "a" / "b" / "WindowState.json"};
    EXPECT_TRUE(deep.save(fullState()).has_value());
}

TEST(WindowStateStore, scratchIDsOfAllTabs)
{
    WindowState state(
        {WindowRestoreState({},
                            std::nullopt,
                            false,
                            {scratchTab(scratchA), fileTab("/f"), scratchTab(scratchB)},
                            0,
                            std::nullopt),
         WindowRestoreState({}, std::nullopt, false, {scratchTab(scratchA)}, 0, std::nullopt)});
    EXPECT_EQ(WindowStateStore::scratchIDs(state), (std::set<Platform::Uuid>{scratchA, scratchB}));
    EXPECT_TRUE(
        WindowStateStore::scratchIDs(WindowState(std::vector<WindowRestoreState>{})).empty());
    EXPECT_EQ(WindowStateStore().fileURL().filename(), "WindowState.json");
}

TEST(TabRestoreState, clampedSelectionFitsTheText)
{
    struct Case
    {
        std::int64_t location, length;
        EditorCore::TextRange clamped;
    };
    const Case cases[] = {
        {12, 5, {10, 0}}, {-3, 4, {0, 4}}, {8, 5, {8, 2}}, {2, -1, {2, 0}}, {0, 10, {0, 10}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.location << ", " << c.length);
        auto tab = fileTab("/a");
        tab.selectionLocation = c.location;
        tab.selectionLength = c.length;
        EXPECT_EQ(tab.clampedSelection(10), c.clamped);
    }
}
