#pragma once

#include "core/SuspiciousCharacters.h"
#include "core/TextEncoding.h"

#include <QString>

#include <array>

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

// The translated name of a suspicious kind ("줄 안 바뀌는 공백").
QString displayName(EditorCore::SuspiciousKind);

} // namespace EditorWindow::DisplayNames
