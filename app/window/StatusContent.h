#pragma once

#include "app/views/TextRange.h"
#include "app/window/StatusBarView.h"
#include "core/ChunkedText.h"
#include "core/Indentation.h"
#include "core/LineEnding.h"
#include "core/LineIndex.h"
#include "core/TextEncoding.h"

#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>

// What the status bar of a window shows, computed from plain inputs so that each refresh is
// one pure function of the document and the window.
namespace EditorWindow::StatusContent {

struct Inputs
{
    EditorCore::TextSnapshot text;
    // The window's line index of `text` (it may lag behind by one edit; positions past it are
    // clamped, never negative).
    const EditorCore::LineIndex* lineIndex = nullptr;
    EditorCore::TextRange selection;
    // The user-perceived characters of the selection when the window counted them already;
    // none: counted here. While the count is pending the selection's part is left out.
    std::optional<std::int64_t> selectedCharacters;
    bool selectionCountPending = false;

    EditorCore::TextEncoding encoding = EditorCore::TextEncoding::utf8;
    bool hasByteOrderMark = false;
    EditorCore::LineEndingSummary lineEndings;
    // What the window inserts; shown for a text without breaks.
    EditorCore::LineEnding effectiveLineEnding = EditorCore::LineEnding::lf;
    EditorCore::IndentStyle indentStyle{true, 4};

    // The language's display name, not yet translated.
    QString languageName;
    // Colouring is off because the text is too large.
    bool syntaxTooLarge = false;

    std::optional<QString> problems;
    std::int64_t suspiciousTotal = 0;
    std::optional<QString> follow;
    bool following = false;
    bool editable = true;

    // Absent for an untitled document.
    std::optional<QString> filePath;
    // Written "~" at the start of the path.
    QString homeFolder;
};

StatusBarView::Content compute(const Inputs& inputs);

// "12:5", and " · 선택 3" for a selection; columns and counts are user-perceived characters.
// `selectedCharacters` is the selection's count when already known; `countPending` leaves the
// selection's part out.
QString positionText(QStringView text,
                     const EditorCore::LineIndex& lineIndex,
                     EditorCore::TextRange selection,
                     std::optional<std::int64_t> selectedCharacters = std::nullopt,
                     bool countPending = false);
// The same over a snapshot: only the caret's line before it and the selection are read.
QString positionText(const EditorCore::TextSnapshot& text,
                     const EditorCore::LineIndex& lineIndex,
                     EditorCore::TextRange selection,
                     std::optional<std::int64_t> selectedCharacters = std::nullopt,
                     bool countPending = false);

// User-perceived characters (grapheme clusters).
std::int64_t characterCount(QStringView text);

// The path with the home folder at its start written "~".
QString abbreviatedPath(const QString& path, const QString& homeFolder);

// A translated text with "%lld" replaced by the number.
QString localizedWithNumber(std::string_view koreanText, std::int64_t number);
// A translated text with "%@" replaced by the string.
QString localizedWithString(std::string_view koreanText, const QString& value);

} // namespace EditorWindow::StatusContent
