#pragma once

#include "app/views/EditRecord.h"
#include "app/views/TextRange.h"
#include "core/ChunkedText.h"
#include "features/SyntaxProblem.h"

#include <QString>

#include <optional>
#include <string_view>
#include <vector>

namespace EditorWindow::SyntaxErrorMarks {

// A marked range of the text together with the problem it shows.
struct Mark
{
    EditorViews::TextRange range;
    EditorFeatures::SyntaxProblem problem;
};

// The range the view underlines for a problem's lower..upper in `text`: an empty range marks
// the character before it (or the first); a mark ends with its first line (its line break
// left out) but covers at least one character; a lone line break marks the character before
// it. None for an empty text. Only the units up to `upper` are read.
std::optional<EditorViews::TextRange>
markRange(std::int64_t lower, std::int64_t upper, const EditorCore::TextSnapshot& text);

// The marks of the problems, in order, without those that give none.
std::vector<Mark> marksFor(const std::vector<EditorFeatures::SyntaxProblem>& problems,
                           const EditorCore::TextSnapshot& text);

// One edit: what lies before the replaced text stays, what lies after it moves with the
// text, and what touches it goes.
void shift(std::vector<EditorFeatures::SyntaxProblem>& problems,
           const EditorViews::EditRecord& edit);
void shift(std::vector<Mark>& marks, const EditorViews::EditRecord& edit);

QString problemMessage(const EditorFeatures::SyntaxProblem::Kind& kind);

// "오류 N", and " · " with the message of the mark under the caret (inside it or at its end).
QString problemsText(std::size_t problemCount, const std::vector<Mark>& marks, std::int64_t caret);

// The first mark after the caret, else the first (wrapping); none without marks.
std::optional<EditorViews::TextRange> nextMark(const std::vector<Mark>& marks, std::int64_t caret);

} // namespace EditorWindow::SyntaxErrorMarks
