#pragma once

#include "core/TextEncoding.h"

#include <QString>

#include <array>
#include <string_view>

// The names the interface gives encodings and suspicious-character kinds; the text engine
// only knows their raw values.
namespace EditorWindow::DisplayNames {

// The encodings offered for reading a file: all but EUC-KR (CP949 reads every EUC-KR file),
// in menu order. Converting the text offers all fourteen.
const std::array<EditorCore::TextEncoding, 13>& encodingChoices();

// The status bar's name ("UTF-16 LE", "CP949"); never translated.
QString shortName(EditorCore::TextEncoding);
// The menus' name: the short name for the Unicode forms, otherwise a translated description
// ("CP949 (한국어 윈도우 기본)").
QString displayName(EditorCore::TextEncoding);

// The Korean key of each suspicious kind, by the kind's raw value ("noBreakSpace"), in the
// kinds' case order.
struct SuspiciousKindName
{
    std::string_view rawValue;
    std::string_view koreanText;
};
const std::array<SuspiciousKindName, 8>& suspiciousKindNames();
// The translated name of the kind with that raw value; empty for an unknown one.
QString suspiciousKindDisplayName(std::string_view rawValue);

} // namespace EditorWindow::DisplayNames
