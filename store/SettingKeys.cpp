#include "store/SettingKeys.h"

#include "core/DateInsertion.h"
#include "core/TextEncoding.h"

#include <algorithm>

namespace EditorStore {
namespace {

constexpr std::array<std::string_view, 4> groupRawValues = {"general", "editor", "view", "file"};

bool isOneOf(const std::string& value, std::initializer_list<std::string_view> allowed)
{
    return std::find(allowed.begin(), allowed.end(), value) != allowed.end();
}

} // namespace

std::string_view rawValue(SettingGroup group)
{
    return groupRawValues[static_cast<std::size_t>(group)];
}

std::optional<SettingGroup> settingGroupFromRawValue(std::string_view raw)
{
    for (auto group : allSettingGroups) {
        if (rawValue(group) == raw)
            return group;
    }
    return std::nullopt;
}

std::ostream& operator<<(std::ostream& out, SettingGroup group)
{
    return out << rawValue(group);
}

namespace SettingChecks {

bool anyText(const std::string&)
{
    return true;
}

bool anyBoolean(const bool&)
{
    return true;
}

bool notEmpty(const std::string& value)
{
    return !value.empty();
}

bool language(const std::string& value)
{
    return isOneOf(value, {"system", "ko", "en", "ja"});
}

bool quickMemoShortcut(const std::string& value)
{
    const auto& all = QuickMemoShortcuts::all;
    return std::find(all.begin(), all.end(), value) != all.end();
}

bool theme(const std::string& value)
{
    return isOneOf(value, {"system", "light", "dark"});
}

bool textEncoding(const std::string& value)
{
    return EditorCore::textEncodingFromRawValue(value).has_value();
}

bool lineEnding(const std::string& value)
{
    return isOneOf(value, {"lf", "crlf", "cr"});
}

bool indentWidth(const std::int64_t& value)
{
    return value >= 1 && value <= 16;
}

bool syntaxMaxMB(const std::int64_t& value)
{
    return value >= 1 && value <= 20;
}

bool largeFileMB(const std::int64_t& value)
{
    return value >= 1 && value <= 512;
}

// Written so that NaN fails both comparisons.
bool fontSize(const double& value)
{
    return value >= 8.0 && value <= 72.0;
}

bool lineSpacing(const double& value)
{
    return value >= 1.0 && value <= 2.0;
}

} // namespace SettingChecks

std::string SettingKeys::defaultDateFormat()
{
    // UTF-16 to UTF-8; a lone surrogate becomes U+FFFD.
    std::u16string_view format = EditorCore::DateInsertion::defaultFormat;
    std::string utf8;
    for (std::size_t i = 0; i < format.size(); ++i) {
        char32_t c = format[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < format.size() && format[i + 1] >= 0xDC00
            && format[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (format[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            utf8 += static_cast<char>(c);
        } else if (c < 0x800) {
            utf8 += static_cast<char>(0xC0 | (c >> 6));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            utf8 += static_cast<char>(0xE0 | (c >> 12));
            utf8 += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            utf8 += static_cast<char>(0xF0 | (c >> 18));
            utf8 += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            utf8 += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return utf8;
}

const std::array<SettingKeys::Entry, 36>& SettingKeys::all()
{
    static const std::array<Entry, 36> entries = [] {
        auto entry = [](const auto& key) { return Entry{key.name, key.group}; };
        return std::array<Entry, 36>{
            entry(generalLanguage),
            entry(generalRestoreWindows),
            entry(finderOpenAfterCreate),
            entry(updateAutoCheck),
            entry(quickMemoShortcut),
            entry(quickMemoPath),
            entry(generalMenuBarIcon),
            entry(generalLaunchAtLogin),
            entry(editorIndentUseTabs),
            entry(editorIndentWidth),
            entry(editorIndentDetect),
            entry(editorIndentBrackets),
            entry(editorAutocorrectSpelling),
            entry(editorAutocorrectQuotes),
            entry(editorAutocorrectDashes),
            entry(editorDateFormat),
            entry(viewFontName),
            entry(viewFontSize),
            entry(viewLineSpacing),
            entry(viewTheme),
            entry(viewNewTabWrap),
            entry(viewNewTabLineNumbers),
            entry(viewNewTabCurrentLine),
            entry(viewNewTabInvisibles),
            entry(viewNewTabRuler),
            entry(viewShowToolbar),
            entry(viewShowStatusBar),
            entry(viewShowTabBarAlways),
            entry(syntaxEnabled),
            entry(syntaxMaxMB),
            entry(syntaxAutoDownload),
            entry(viewSyntaxErrors),
            entry(fileNewEncoding),
            entry(fileNewBOM),
            entry(fileNewLineEnding),
            entry(fileLargeFileMB),
        };
    }();
    return entries;
}

std::vector<std::string_view> SettingKeys::namesInGroup(SettingGroup group)
{
    std::vector<std::string_view> names;
    for (const auto& entry : all()) {
        if (entry.group == group)
            names.push_back(entry.name);
    }
    return names;
}

} // namespace EditorStore
