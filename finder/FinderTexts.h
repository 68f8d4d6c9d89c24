#pragma once

#include <span>
#include <string>
#include <string_view>

// The extension's two menu titles and its notice, looked up by their Korean text in Korean, English and
// Japanese. A title without a translation for the language shows in Korean.
namespace OrluneViewerFinder::FinderTexts {

inline constexpr std::string_view openInEditor = "Orlune Viewer로 열기";
inline constexpr std::string_view newTextFile = "새 파일 만들기";
// The notice when the editor cannot be reached: its title and the two reasons.
inline constexpr std::string_view couldNotStartTitle = "Orlune Viewer를 시작하지 못함";
inline constexpr std::string_view editorNotFound =
    "설치된 Orlune Viewer를 찾지 못했습니다. 요청은 남겨 두었으니 Orlune Viewer를 시작하면 열립니다.";
inline constexpr std::string_view editorDidNotAnswer =
    "Orlune Viewer가 응답하지 않습니다. 요청은 남겨 두었으니 Orlune Viewer를 다시 시작하면 열립니다.";

// The first of `languages` (locale names in order of preference, such as "ja_JP.UTF-8" or
// "en") that has translations decides; none of them leaves the Korean key.
std::string localized(std::string_view koreanKey, std::span<const std::string> languages);

// In the languages the user prefers (LANGUAGE, LC_ALL, LC_MESSAGES, LANG).
std::string localized(std::string_view koreanKey);

} // namespace OrluneViewerFinder::FinderTexts
