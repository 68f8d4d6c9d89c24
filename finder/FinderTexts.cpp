#include "finder/FinderTexts.h"

#include <array>
#include <glib.h>
#include <optional>
#include <vector>

namespace OrluneViewerFinder::FinderTexts {
namespace {

struct Translation
{
    std::string_view korean;
    std::string_view english;
    std::string_view japanese;
};

constexpr std::array<Translation, 5> translations = {{
    {openInEditor, "Open in Orlune Viewer", "Orlune Viewerで開く"},
    {newTextFile, "New Text File", "新規テキストファイル"},
    {couldNotStartTitle, "Could not start Orlune Viewer", "Orlune Viewerを起動できません"},
    {editorNotFound,
     "The installed Orlune Viewer was not found. The request is kept and opens when you start "
     "Orlune Viewer.",
     "インストールされた Orlune Viewer が見つかりません。要求は残してあるので、Orlune Viewer "
     "を起動すると開きます。"},
    {editorDidNotAnswer,
     "Orlune Viewer did not answer. The request is kept and opens when you start Orlune Viewer "
     "again.",
     "Orlune Viewer が応答しません。要求は残してあるので、Orlune Viewer を起動し直すと開きます。"},
}};

enum class Language { korean, english, japanese };

// "ja_JP.UTF-8@euro" → "ja".
std::string_view languageCode(std::string_view locale)
{
    auto end = locale.find_first_of("_.@");
    return end == std::string_view::npos ? locale : locale.substr(0, end);
}

std::optional<Language> firstKnownLanguage(std::span<const std::string> languages)
{
    for (const auto& locale : languages) {
        auto code = languageCode(locale);
        if (code == "ko")
            return Language::korean;
        if (code == "en")
            return Language::english;
        if (code == "ja")
            return Language::japanese;
    }
    return std::nullopt;
}

} // namespace

std::string localized(std::string_view koreanKey, std::span<const std::string> languages)
{
    auto language = firstKnownLanguage(languages);
    for (const auto& entry : translations) {
        if (entry.korean != koreanKey)
            continue;
        if (language == Language::english)
            return std::string(entry.english);
        if (language == Language::japanese)
            return std::string(entry.japanese);
        break;
    }
    return std::string(koreanKey);
}

std::string localized(std::string_view koreanKey)
{
    std::vector<std::string> languages;
    for (const char* const* name = g_get_language_names(); *name != nullptr; ++name)
        languages.emplace_back(*name);
    return localized(koreanKey, languages);
}

} // namespace OrluneViewerFinder::FinderTexts
