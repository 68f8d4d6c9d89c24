// Any bytes as the preferences file: every setting reads as a value its own check accepts
// (the stored one or the default), whatever the file holds, also given as a command-line
// value. A write of one key keeps every other stored key as it was read.
#include "FuzzCheck.h"

#include "platform/PreferencesDomain.h"
#include "store/SettingKeys.h"
#include "store/Settings.h"

#include <memory>

using namespace EditorStore;
using FuzzCheck::check;

namespace {

template<class T>
void checkKey(const Settings& settings, const SettingKey<T>& key)
{
    const T value = settings.value(key);
    check(key.isValid(value), "a setting read as a value its check refuses");
}

void checkAll(const Settings& settings)
{
    checkKey(settings, SettingKeys::generalLanguage);
    checkKey(settings, SettingKeys::generalRestoreWindows);
    checkKey(settings, SettingKeys::quickMemoShortcut);
    checkKey(settings, SettingKeys::quickMemoPath);
    checkKey(settings, SettingKeys::generalMenuBarIcon);
    checkKey(settings, SettingKeys::generalLaunchAtLogin);
    checkKey(settings, SettingKeys::finderOpenAfterCreate);
    checkKey(settings, SettingKeys::updateAutoCheck);
    checkKey(settings, SettingKeys::editorIndentUseTabs);
    checkKey(settings, SettingKeys::editorIndentWidth);
    checkKey(settings, SettingKeys::editorIndentDetect);
    checkKey(settings, SettingKeys::editorIndentBrackets);
    checkKey(settings, SettingKeys::editorAutocorrectSpelling);
    checkKey(settings, SettingKeys::editorAutocorrectQuotes);
    checkKey(settings, SettingKeys::editorAutocorrectDashes);
    checkKey(settings, SettingKeys::editorDateFormat);
    checkKey(settings, SettingKeys::viewFontName);
    checkKey(settings, SettingKeys::viewFontSize);
    checkKey(settings, SettingKeys::viewLineSpacing);
    checkKey(settings, SettingKeys::viewTheme);
    checkKey(settings, SettingKeys::viewNewTabWrap);
    checkKey(settings, SettingKeys::viewNewTabLineNumbers);
    checkKey(settings, SettingKeys::viewNewTabCurrentLine);
    checkKey(settings, SettingKeys::viewNewTabInvisibles);
    checkKey(settings, SettingKeys::viewNewTabRuler);
    checkKey(settings, SettingKeys::viewShowToolbar);
    checkKey(settings, SettingKeys::viewShowStatusBar);
    checkKey(settings, SettingKeys::viewShowTabBarAlways);
    checkKey(settings, SettingKeys::syntaxEnabled);
    checkKey(settings, SettingKeys::syntaxMaxMB);
    checkKey(settings, SettingKeys::syntaxAutoDownload);
    checkKey(settings, SettingKeys::viewSyntaxErrors);
    checkKey(settings, SettingKeys::fileNewEncoding);
    checkKey(settings, SettingKeys::fileNewBOM);
    checkKey(settings, SettingKeys::fileNewLineEnding);
    checkKey(settings, SettingKeys::fileLargeFileMB);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzCheck::Input input(data, size);
    const auto argumentLength = input.byte() % 32;
    const auto argumentBytes = input.take(argumentLength);
    const auto fileBytes = input.rest();

    const auto file = FuzzCheck::workFolder("preferences") / "app.orlune.viewer.json";
    FuzzCheck::writeFile(file, fileBytes);
    auto domain = std::make_shared<Platform::PreferencesDomain>(file);
    auto reporter = std::make_shared<SettingsReporter>();
    auto changes = std::make_shared<SettingsChangeCenter>();
    checkAll(Settings(domain, {}, reporter, changes));

    // The same value given on the command line, for every key at once.
    std::map<std::string, std::string> arguments;
    const std::string argument(argumentBytes.begin(), argumentBytes.end());
    for (const auto& entry : SettingKeys::all())
        arguments.emplace(std::string(entry.name), argument);
    checkAll(Settings(domain, arguments, reporter, changes));

    auto before = domain->allValues();
    before.erase("fuzz.written");
    if (!domain->set("fuzz.written", std::string("value")))
        return 0;
    Platform::PreferencesDomain reread(file);
    auto after = reread.allValues();
    check(after.erase("fuzz.written") == 1, "a written key is not stored");
    check(after == before, "writing one key changed another");
    return 0;
}
