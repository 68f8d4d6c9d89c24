#include "app/window/coloring/SyntaxErrorMarks.h"

#include "app/kit/Localized.h"

#include <algorithm>

namespace EditorWindow::SyntaxErrorMarks {

using EditorFeatures::SyntaxProblem;
using EditorViews::TextRange;

namespace {

bool isLineBreak(char16_t unit)
{
    return unit == u'\n' || unit == u'\r' || unit == u'\u2028' || unit == u'\u2029'
           || unit == u'\u0085';
}

} // namespace

std::optional<TextRange>
markRange(std::int64_t lower, std::int64_t upper, const EditorCore::TextSnapshot& text)
{
    const std::int64_t n = text.length();
    if (n < 1)
        return std::nullopt;
    std::int64_t a = std::clamp<std::int64_t>(lower, 0, n);
    std::int64_t b = std::clamp<std::int64_t>(upper, 0, n);
    if (a >= b) {
        a = std::max<std::int64_t>(a - 1, 0);
        b = std::min(a + 1, n);
    }
    // The end of a's line, its line break left out; only what lies before b counts.
    std::int64_t lineEnd = b;
    std::int64_t at = a;
    text.visit(a, b - a, [&](std::u16string_view piece) {
        for (char16_t unit : piece) {
            if (isLineBreak(unit)) {
                lineEnd = at;
                return false;
            }
            ++at;
        }
        return true;
    });
    std::int64_t end = std::min(std::max(a + 1, lineEnd), b);
    if (end - a == 1 && a >= 1 && isLineBreak(text.at(a))) {
        // A lone line break: the character before it shows better.
        a -= 1;
        end = a + 1;
    }
    if (a >= end)
        return std::nullopt;
    return TextRange{a, end - a};
}

std::vector<Mark> marksFor(const std::vector<SyntaxProblem>& problems,
                           const EditorCore::TextSnapshot& text)
{
    std::vector<Mark> marks;
    for (const auto& problem : problems) {
        if (auto range = markRange(problem.range.start, problem.range.end, text))
            marks.push_back({*range, problem});
    }
    // The view wants them ascending by location with ends that do not decrease.
    std::stable_sort(marks.begin(), marks.end(), [](const Mark& left, const Mark& right) {
        return left.range.location < right.range.location;
    });
    std::int64_t lastEnd = 0;
    for (auto& mark : marks) {
        if (mark.range.end() < lastEnd)
            mark.range.length = lastEnd - mark.range.location;
        lastEnd = mark.range.end();
    }
    return marks;
}

namespace {

// Before the edit, after it, or touching it (the replaced text in the old text's offsets).
enum class Place { before, after, touching };

Place placeOf(std::int64_t lower, std::int64_t upper, const EditorViews::EditRecord& edit)
{
    if (upper < edit.location)
        return Place::before;
    if (lower > edit.location + edit.oldLength)
        return Place::after;
    return Place::touching;
}

} // namespace

void shift(std::vector<SyntaxProblem>& problems, const EditorViews::EditRecord& edit)
{
    std::erase_if(problems, [&](SyntaxProblem& problem) {
        switch (placeOf(problem.range.start, problem.range.end, edit)) {
        case Place::before:
            return false;
        case Place::after:
            problem.range.start += edit.delta();
            problem.range.end += edit.delta();
            return false;
        case Place::touching:
            break;
        }
        return true;
    });
}

void shift(std::vector<Mark>& marks, const EditorViews::EditRecord& edit)
{
    std::erase_if(marks, [&](Mark& mark) {
        switch (placeOf(mark.range.location, mark.range.end(), edit)) {
        case Place::before:
            return false;
        case Place::after:
            mark.range.location += edit.delta();
            // The problem moves with its mark, so the two keep describing the same text.
            mark.problem.range.start += edit.delta();
            mark.problem.range.end += edit.delta();
            return false;
        case Place::touching:
            break;
        }
        return true;
    });
}

QString problemMessage(const SyntaxProblem::Kind& kind)
{
    if (const auto* missing = std::get_if<SyntaxProblem::Missing>(&kind)) {
        if (missing->token) {
            QString text = EditorKit::localized("「%@」 빠짐");
            return text.replace(QLatin1String("%@"), QString::fromStdString(*missing->token));
        }
        return EditorKit::localized("빠진 것이 있음");
    }
    return EditorKit::localized("문법에 안 맞음");
}

QString problemsText(std::size_t problemCount, const std::vector<Mark>& marks, std::int64_t caret)
{
    QString text = EditorKit::localized("오류 %lld");
    text.replace(QLatin1String("%lld"), QString::number(problemCount));
    for (const auto& mark : marks) {
        if (mark.range.location <= caret && caret <= mark.range.end()) {
            text += QStringLiteral(" · ") + problemMessage(mark.problem.kind);
            break;
        }
    }
    return text;
}

std::optional<TextRange> nextMark(const std::vector<Mark>& marks, std::int64_t caret)
{
    if (marks.empty())
        return std::nullopt;
    for (const auto& mark : marks) {
        if (mark.range.location > caret)
            return mark.range;
    }
    return marks.front().range;
}

} // namespace EditorWindow::SyntaxErrorMarks
