#pragma once

#include "core/Indentation.h"
#include "core/LineEnding.h"

#include <cstdint>
#include <optional>
#include <string_view>

// The indentation and line ending a window uses for what it inserts, from the document and the
// settings as the caller read them.
namespace EditorWindow::WindowFormat {

struct IndentSettings
{
    bool detect = true;     // "editor.indent.detect"
    bool useTabs = true;    // "editor.indent.useTabs"
    std::int64_t width = 4; // "editor.indent.width", clamped to 1...16 here
};

// The document's style when the user chose it or detection is on; otherwise the settings'.
EditorCore::IndentStyle effectiveIndentStyle(const std::optional<EditorCore::IndentStyle>& found,
                                             bool chosenByUser,
                                             const IndentSettings& settings);

// The dominant ending of the document; for a text without breaks the ending the user chose
// for it, else the setting "file.new.lineEnding" ("lf", "crlf", "cr"; anything else lf).
EditorCore::LineEnding effectiveLineEnding(const EditorCore::LineEndingSummary& summary,
                                           std::string_view newLineEndingSetting,
                                           std::optional<EditorCore::LineEnding> chosen = {});

// A line ending as the status bar and menus write it: "LF", "CRLF", "CR".
std::string_view upperCaseName(EditorCore::LineEnding);

} // namespace EditorWindow::WindowFormat
