#pragma once

#include <QString>

#include <string_view>

namespace EditorKit {

// Interface texts are looked up by their Korean text (UTF-8), which is also what shows when no
// translation is loaded. All of them share one translation context.
inline constexpr const char* translationContext = "OrluneViewer";

QString localized(std::string_view koreanText);

// Loads the translation of the interface into the application ("en", "ja"); "ko" and an
// unknown language leave the Korean texts. Replaces a translation loaded earlier.
bool installTranslation(const QString& language);

} // namespace EditorKit
