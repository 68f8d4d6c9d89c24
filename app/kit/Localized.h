#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <string_view>

namespace EditorKit {

// Interface texts are looked up by their Korean text (UTF-8), which is also what shows when no
// translation is loaded. All of them share one translation context.
inline constexpr const char* translationContext = "OrluneViewer";

QString localized(std::string_view koreanText);

// A text with a count: its key holds "%n" (replaced by `count`), and the catalogues give it
// the forms of their language ("1 line", "2 lines"). The parameters are those of tr(), so
// that the translation tools read the call as a count; `disambiguation` is usually nullptr.
QString localized(std::string_view koreanText, const char* disambiguation, long long count);

// Loads the translation of the interface into the application ("en", "ja", and "ko", which
// gives only the Linux wording of texts that name the Mac); an unknown language leaves the
// Korean texts. Replaces a translation loaded earlier.
bool installTranslation(const QString& language);

// The interface language of the user's environment, "en", "ja" or "ko": the first of
// LANGUAGE, LC_ALL, LC_MESSAGES and LANG that is set and not empty decides (in LANGUAGE's list,
// the first entry in one of the three languages); any other language, "C" included, is Korean.
QString interfaceLanguage(const std::function<QByteArray(const char*)>& variable);
QString interfaceLanguage();

// At start: the interface translation of `language` and Qt's own (its dialogs and standard
// buttons), when Qt's translations are installed.
void installInterfaceTranslations(const QString& language);

} // namespace EditorKit
