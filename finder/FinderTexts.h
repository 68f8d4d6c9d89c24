#pragma once

#include <span>
#include <string>
#include <string_view>

// The extension's two menu titles, looked up by their Korean text in Korean, English and
// Japanese. A title without a translation for the language shows in Korean.
namespace OrluneViewerFinder::FinderTexts {

inline constexpr std::string_view openInEditor = "Orlune Viewer로 열기";
inline constexpr std::string_view newTextFile = "새 파일 만들기";

// The first of `languages` (locale names in order of preference, such as "ja_JP.UTF-8" or
// "en") that has translations decides; none of them leaves the Korean key.
std::string localized(std::string_view koreanKey, std::span<const std::string> languages);

// In the languages the user prefers (LANGUAGE, LC_ALL, LC_MESSAGES, LANG).
std::string localized(std::string_view koreanKey);

} // namespace OrluneViewerFinder::FinderTexts
