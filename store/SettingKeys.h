#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace EditorStore {

// The settings panes; a pane's reset removes the values of its group.
enum class SettingGroup { general, editor, view, file };

inline constexpr std::array<SettingGroup, 4> allSettingGroups = {
    SettingGroup::general,
    SettingGroup::editor,
    SettingGroup::view,
    SettingGroup::file,
};

std::string_view rawValue(SettingGroup);
std::optional<SettingGroup> settingGroupFromRawValue(std::string_view);
std::ostream& operator<<(std::ostream&, SettingGroup);

// One typed setting. Value types: std::string (UTF-8 text), bool, std::int64_t, double.
template<class T>
struct SettingKey
{
    using Value = T;

    std::string_view name; // also the name the value is stored under
    T defaultValue;
    SettingGroup group;
    bool (*isValid)(const T&); // a value that fails it is neither used nor stored
};

namespace QuickMemoShortcuts {
inline constexpr std::array<std::string_view, 5> all = {
    "ctrl+opt+n",
    "opt+space",
    "shift+cmd+m",
    "ctrl+opt+cmd+n",
    "off",
};
} // namespace QuickMemoShortcuts

namespace SettingChecks {
bool anyText(const std::string&);
bool anyBoolean(const bool&);
bool notEmpty(const std::string&);
bool language(const std::string&);
bool quickMemoShortcut(const std::string&);
bool theme(const std::string&);
bool textEncoding(const std::string&);
bool lineEnding(const std::string&);
bool indentWidth(const std::int64_t&);
bool syntaxMaxMB(const std::int64_t&);
bool largeFileMB(const std::int64_t&);
bool fontSize(const double&);
bool lineSpacing(const double&);
} // namespace SettingChecks

struct SettingKeys
{
    using Text = SettingKey<std::string>;
    using Boolean = SettingKey<bool>;
    using Integer = SettingKey<std::int64_t>;
    using Double = SettingKey<double>;

    struct Entry
    {
        std::string_view name;
        SettingGroup group;
        bool operator==(const Entry&) const = default;
    };

    // The insert-date command's default format, as UTF-8.
    static std::string defaultDateFormat();

    // clang-format off
    static inline const Text generalLanguage{"general.language", "system", SettingGroup::general, SettingChecks::language};
    static inline const Boolean generalRestoreWindows{"general.restoreWindows", true, SettingGroup::general, SettingChecks::anyBoolean};
    static inline const Text quickMemoShortcut{"quickMemo.shortcut", "ctrl+opt+n", SettingGroup::general, SettingChecks::quickMemoShortcut};
    static inline const Text quickMemoPath{"quickMemo.path", "", SettingGroup::general, SettingChecks::anyText};
    static inline const Boolean generalMenuBarIcon{"general.menuBarIcon", true, SettingGroup::general, SettingChecks::anyBoolean};
    static inline const Boolean generalLaunchAtLogin{"general.launchAtLogin", true, SettingGroup::general, SettingChecks::anyBoolean};
    static inline const Boolean finderOpenAfterCreate{"finder.openAfterCreate", false, SettingGroup::general, SettingChecks::anyBoolean};
    static inline const Boolean updateAutoCheck{"update.autoCheck", true, SettingGroup::general, SettingChecks::anyBoolean};
    static inline const Boolean editorIndentUseTabs{"editor.indent.useTabs", true, SettingGroup::editor, SettingChecks::anyBoolean};
    static inline const Integer editorIndentWidth{"editor.indent.width", 4, SettingGroup::editor, SettingChecks::indentWidth};
    static inline const Boolean editorIndentDetect{"editor.indent.detect", true, SettingGroup::editor, SettingChecks::anyBoolean};
    static inline const Boolean editorIndentBrackets{"editor.indent.brackets", true, SettingGroup::editor, SettingChecks::anyBoolean};
    static inline const Boolean editorAutocorrectSpelling{"editor.autocorrect.spelling", false, SettingGroup::editor, SettingChecks::anyBoolean};
    static inline const Boolean editorAutocorrectQuotes{"editor.autocorrect.quotes", false, SettingGroup::editor, SettingChecks::anyBoolean};
    static inline const Boolean editorAutocorrectDashes{"editor.autocorrect.dashes", false, SettingGroup::editor, SettingChecks::anyBoolean};
    static inline const Text editorDateFormat{"editor.dateFormat", defaultDateFormat(), SettingGroup::editor, SettingChecks::notEmpty};
    static inline const Text viewFontName{"view.font.name", "D2Coding", SettingGroup::view, SettingChecks::notEmpty};
    static inline const Double viewFontSize{"view.font.size", 13.0, SettingGroup::view, SettingChecks::fontSize};
    static inline const Double viewLineSpacing{"view.lineSpacing", 1.4, SettingGroup::view, SettingChecks::lineSpacing};
    static inline const Text viewTheme{"view.theme", "system", SettingGroup::view, SettingChecks::theme};
    static inline const Boolean viewNewTabWrap{"view.newTab.wrap", true, SettingGroup::view, SettingChecks::anyBoolean};
    static inline const Boolean viewNewTabLineNumbers{"view.newTab.lineNumbers", false, SettingGroup::view, SettingChecks::anyBoolean};
    static inline const Boolean viewNewTabCurrentLine{"view.newTab.currentLine", false, SettingGroup::view, SettingChecks::anyBoolean};
    static inline const Boolean viewNewTabInvisibles{"view.newTab.invisibles", false, SettingGroup::view, SettingChecks::anyBoolean};
    static inline const Boolean viewNewTabRuler{"view.newTab.ruler", true, SettingGroup::view, SettingChecks::anyBoolean};
    static inline const Boolean viewShowToolbar{"view.showToolbar", true, SettingGroup::view, SettingChecks::anyBoolean};
    static inline const Boolean viewShowStatusBar{"view.showStatusBar", true, SettingGroup::view, SettingChecks::anyBoolean};
    static inline const Boolean viewShowTabBarAlways{"view.showTabBarAlways", true, SettingGroup::view, SettingChecks::anyBoolean};
    static inline const Boolean syntaxEnabled{"syntax.enabled", true, SettingGroup::view, SettingChecks::anyBoolean};
    static inline const Integer syntaxMaxMB{"syntax.maxMB", 2, SettingGroup::view, SettingChecks::syntaxMaxMB};
    static inline const Boolean syntaxAutoDownload{"syntax.autoDownload", false, SettingGroup::view, SettingChecks::anyBoolean};
    static inline const Boolean viewSyntaxErrors{"view.syntaxErrors", true, SettingGroup::view, SettingChecks::anyBoolean};
    static inline const Text fileNewEncoding{"file.new.encoding", "utf-8", SettingGroup::file, SettingChecks::textEncoding};
    static inline const Boolean fileNewBOM{"file.new.bom", false, SettingGroup::file, SettingChecks::anyBoolean};
    static inline const Text fileNewLineEnding{"file.new.lineEnding", "lf", SettingGroup::file, SettingChecks::lineEnding};
    static inline const Integer fileLargeFileMB{"file.largeFileMB", 100, SettingGroup::file, SettingChecks::largeFileMB};
    // clang-format on

    // The 36 settings in the order of the settings panes.
    static const std::array<Entry, 36>& all();
    static std::vector<std::string_view> namesInGroup(SettingGroup group);
};

} // namespace EditorStore
