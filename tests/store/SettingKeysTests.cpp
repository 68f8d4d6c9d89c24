#include "store/SettingKeys.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

using namespace EditorStore;

TEST(SettingKeys, allListsThe36KeysOnceWithTheirGroups)
{
    const auto& all = SettingKeys::all();
    ASSERT_EQ(all.size(), 36u);
    std::set<std::string_view> names;
    for (const auto& entry : all)
        names.insert(entry.name);
    EXPECT_EQ(names.size(), 36u);

    EXPECT_EQ(all.front(), (SettingKeys::Entry{"general.language", SettingGroup::general}));
    EXPECT_EQ(all.back(), (SettingKeys::Entry{"file.largeFileMB", SettingGroup::file}));
    auto has = [&](auto key) {
        return std::find(all.begin(), all.end(), SettingKeys::Entry{key.name, key.group})
               != all.end();
    };
    EXPECT_TRUE(has(SettingKeys::syntaxMaxMB));
    EXPECT_TRUE(has(SettingKeys::viewSyntaxErrors));
    EXPECT_TRUE(has(SettingKeys::editorDateFormat));
    EXPECT_EQ(SettingKeys::syntaxEnabled.group, SettingGroup::view);
    EXPECT_EQ(SettingKeys::quickMemoPath.group, SettingGroup::general);
}

TEST(SettingKeys, namesInGroupKeepTheListOrder)
{
    using Names = std::vector<std::string_view>;
    EXPECT_EQ(SettingKeys::namesInGroup(SettingGroup::general),
              (Names{"general.language",
                     "general.restoreWindows",
                     "finder.openAfterCreate",
                     "update.autoCheck",
                     "quickMemo.shortcut",
                     "quickMemo.path",
                     "general.menuBarIcon",
                     "general.launchAtLogin"}));
    EXPECT_EQ(
        SettingKeys::namesInGroup(SettingGroup::file),
        (Names{"file.new.encoding", "file.new.bom", "file.new.lineEnding", "file.largeFileMB"}));
    EXPECT_EQ(SettingKeys::namesInGroup(SettingGroup::editor).size(), 8u);
    EXPECT_EQ(SettingKeys::namesInGroup(SettingGroup::view).size(), 16u);
}

TEST(SettingKeys, checksAtTheirBoundaries)
{
    struct IntegerCase
    {
        const SettingKey<std::int64_t>* key;
        std::int64_t value;
        bool valid;
    };
    const IntegerCase integers[] = {
        {&SettingKeys::editorIndentWidth, 0, false},
        {&SettingKeys::editorIndentWidth, 1, true},
        {&SettingKeys::editorIndentWidth, 16, true},
        {&SettingKeys::editorIndentWidth, 17, false},
        {&SettingKeys::syntaxMaxMB, 20, true},
        {&SettingKeys::syntaxMaxMB, 21, false},
        {&SettingKeys::fileLargeFileMB, 512, true},
        {&SettingKeys::fileLargeFileMB, 513, false},
        {&SettingKeys::fileLargeFileMB, -1, false},
    };
    for (const auto& c : integers) {
        SCOPED_TRACE(std::string(c.key->name) + " " + std::to_string(c.value));
        EXPECT_EQ(c.key->isValid(c.value), c.valid);
    }

    struct DoubleCase
    {
        const SettingKey<double>* key;
        double value;
        bool valid;
    };
    const DoubleCase doubles[] = {
        {&SettingKeys::viewFontSize, 7.99, false},
        {&SettingKeys::viewFontSize, 72.0, true},
        {&SettingKeys::viewFontSize, NAN, false},
        {&SettingKeys::viewLineSpacing, 2.0, true},
        {&SettingKeys::viewLineSpacing, 2.01, false},
        {&SettingKeys::viewLineSpacing, 1.0, true},
    };
    for (const auto& c : doubles) {
        SCOPED_TRACE(std::string(c.key->name) + " " + std::to_string(c.value));
        EXPECT_EQ(c.key->isValid(c.value), c.valid);
    }

    struct TextCase
    {
        const SettingKey<std::string>* key;
        std::string value;
        bool valid;
    };
    const TextCase texts[] = {
        {&SettingKeys::quickMemoShortcut, "off", true},
        {&SettingKeys::quickMemoShortcut, "Off", false},
        {&SettingKeys::quickMemoShortcut, "cmd+n", false},
        {&SettingKeys::fileNewLineEnding, "CRLF", false},
        {&SettingKeys::fileNewLineEnding, "crlf", true},
        {&SettingKeys::fileNewEncoding, "utf8", false},
        {&SettingKeys::fileNewEncoding, "mac-roman", true},
        {&SettingKeys::editorDateFormat, "", false},
        {&SettingKeys::editorDateFormat, " ", true},
        {&SettingKeys::viewFontName, "", false},
        {&SettingKeys::quickMemoPath, "", true},
        {&SettingKeys::generalLanguage, "System", false},
        {&SettingKeys::generalLanguage, "ja", true},
        {&SettingKeys::viewTheme, "dark", true},
        {&SettingKeys::viewTheme, "blue", false},
    };
    for (const auto& c : texts) {
        SCOPED_TRACE(std::string(c.key->name) + " '" + c.value + "'");
        EXPECT_EQ(c.key->isValid(c.value), c.valid);
    }
    EXPECT_EQ(SettingKeys::quickMemoPath.defaultValue, "");
    EXPECT_EQ(SettingKeys::editorDateFormat.defaultValue, "yyyy-MM-dd HH:mm");
}

TEST(SettingGroup, rawValues)
{
    EXPECT_EQ(settingGroupFromRawValue("view"), SettingGroup::view);
    EXPECT_EQ(settingGroupFromRawValue("View"), std::nullopt);
    EXPECT_EQ(settingGroupFromRawValue("syntax"), std::nullopt);
    for (auto group : allSettingGroups)
        EXPECT_EQ(settingGroupFromRawValue(rawValue(group)), group);
}
