#include "core/Indentation.h"

#include "core/LineCommands.h"
#include "core/TextBounds.h"

#include <algorithm>
#include <map>
#include <vector>

namespace EditorCore {

IndentStyle::IndentStyle(bool tabs, int columns)
    : usesTabs(tabs)
    , width(std::clamp(columns, minimumWidth, maximumWidth))
{}

int IndentStyle::effectiveWidth() const
{
    return std::clamp(width, minimumWidth, maximumWidth);
}

std::u16string IndentStyle::unit() const
{
    if (usesTabs)
        return u"\t";
    return std::u16string(static_cast<std::size_t>(effectiveWidth()), u' ');
}

std::ostream& operator<<(std::ostream& out, const IndentStyle& style)
{
    return out << "IndentStyle{" << (style.usesTabs ? "tabs" : "spaces") << ", " << style.width
               << '}';
}

namespace Indentation {
namespace {

bool isSpaceOrTab(char16_t unit)
{
    return unit == u' ' || unit == u'\t';
}

std::size_t leadingWhitespaceLength(std::u16string_view line)
{
    std::size_t n = 0;
    while (n < line.size() && isSpaceOrTab(line[n]))
        ++n;
    return n;
}

struct CutLine
{
    std::u16string_view body;
    std::u16string_view terminator;
};

// Cuts after every LF, CR and CR LF; U+0085, U+2028 and U+2029 stay inside their line. The
// text after the last terminator is a last line only when it is not empty, unless
// `keepEmptyTail` asks for it.
std::vector<CutLine> cutAtLineFeedsAndReturns(std::u16string_view text, bool keepEmptyTail)
{
    std::vector<CutLine> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size();) {
        const char16_t unit = text[i];
        if (unit != u'\n' && unit != u'\r') {
            ++i;
            continue;
        }
        const std::size_t breakLength =
            (unit == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ? 2 : 1;
        lines.push_back({text.substr(start, i - start), text.substr(i, breakLength)});
        i += breakLength;
        start = i;
    }
    if (start < text.size() || keepEmptyTail)
        lines.push_back({text.substr(start), {}});
    return lines;
}

enum class Shift { in, out };

TextEdit shiftLines(std::u16string_view text, TextRange selection, IndentStyle style, Shift shift)
{
    const auto textLength = static_cast<std::int64_t>(text.size());
    const TextRange sel = clampedRange(selection, textLength);
    const TextRange block = LineCommands::coveredLineRange(text, sel);
    const auto blockText = text.substr(static_cast<std::size_t>(block.location),
                                       static_cast<std::size_t>(block.length));
    const std::u16string unit = style.unit();
    const auto width = static_cast<std::size_t>(style.effectiveWidth());

    std::u16string replacement;
    replacement.reserve(blockText.size());
    std::int64_t firstChange = 0;
    std::int64_t totalChange = 0;
    bool first = true;
    for (const auto& line : cutAtLineFeedsAndReturns(blockText, false)) {
        auto body = line.body;
        std::int64_t change = 0;
        if (shift == Shift::in) {
            if (!body.empty()) {
                replacement += unit;
                change = static_cast<std::int64_t>(unit.size());
            }
        } else {
            std::size_t removed = 0;
            if (!body.empty() && body.front() == u'\t') {
                removed = 1;
            } else {
                while (removed < body.size() && removed < width && body[removed] == u' ')
                    ++removed;
            }
            body.remove_prefix(removed);
            change = -static_cast<std::int64_t>(removed);
        }
        replacement += body;
        replacement += line.terminator;
        if (first)
            firstChange = change;
        first = false;
        totalChange += change;
    }

    TextRange after{std::max(block.location, sel.location + firstChange), 0};
    if (!sel.isEmpty())
        after.length = std::max<std::int64_t>(0, sel.length + totalChange - firstChange);
    return TextEdit{block, std::move(replacement), after};
}

} // namespace

std::optional<IndentStyle> detect(std::u16string_view text, std::int64_t lineLimit)
{
    std::int64_t linesSeen = 0;
    std::int64_t tabLines = 0;
    std::int64_t spaceLines = 0;
    std::size_t previousIndent = 0;
    std::map<std::size_t, std::int64_t> stepCounts;

    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = start;
        while (end < text.size() && !TextBounds::isLineTerminator(text[end]))
            ++end;
        const auto line = text.substr(start, end - start);
        start = end;
        if (start < text.size())
            start += (text[start] == u'\r' && start + 1 < text.size() && text[start + 1] == u'\n')
                         ? 2
                         : 1;

        if (++linesSeen > lineLimit)
            break;
        if (leadingWhitespaceLength(line) == line.size())
            continue;
        if (line.front() == u'\t') {
            ++tabLines;
            continue;
        }
        std::size_t spaces = 0;
        while (spaces < line.size() && line[spaces] == u' ')
            ++spaces;
        if (spaces > 0)
            ++spaceLines;
        const std::size_t step =
            spaces > previousIndent ? spaces - previousIndent : previousIndent - spaces;
        if (step >= 2 && step <= 8)
            ++stepCounts[step];
        previousIndent = spaces;
    }

    if (tabLines == 0 && spaceLines == 0)
        return std::nullopt;
    if (spaceLines < tabLines)
        return IndentStyle(true, 4);
    int width = 4;
    std::int64_t best = 0;
    for (const auto& [step, count] : stepCounts) { // ascending, so the smallest wins a tie
        if (count > best) {
            best = count;
            width = static_cast<int>(step);
        }
    }
    return IndentStyle(false, width);
}

std::u16string convert(std::u16string_view text, IndentKind to, int width, int tabWidth)
{
    const auto levelWidth = static_cast<std::size_t>(
        std::clamp(width, IndentStyle::minimumWidth, IndentStyle::maximumWidth));
    const auto stopWidth = static_cast<std::size_t>(
        std::clamp(tabWidth, IndentStyle::minimumWidth, IndentStyle::maximumWidth));

    std::u16string result;
    result.reserve(text.size());
    for (const auto& line : cutAtLineFeedsAndReturns(text, true)) {
        const std::size_t indentLength = leadingWhitespaceLength(line.body);
        std::size_t column = 0;
        for (std::size_t i = 0; i < indentLength; ++i)
            column = line.body[i] == u'\t' ? (column / stopWidth + 1) * stopWidth : column + 1;
        if (to == IndentKind::tabs) {
            result.append(column / levelWidth, u'\t');
            result.append(column % levelWidth, u' ');
        } else {
            result.append(column, u' ');
        }
        result += line.body.substr(indentLength);
        result += line.terminator;
    }
    return result;
}

TextEdit indentLines(std::u16string_view text, TextRange selection, IndentStyle style)
{
    return shiftLines(text, selection, style, Shift::in);
}

TextEdit outdentLines(std::u16string_view text, TextRange selection, IndentStyle style)
{
    return shiftLines(text, selection, style, Shift::out);
}

std::u16string leadingWhitespace(std::int64_t position, std::u16string_view text)
{
    const auto bounds = TextBounds::lineBounds(text, position);
    const auto line = text.substr(static_cast<std::size_t>(bounds.start),
                                  static_cast<std::size_t>(bounds.end - bounds.start));
    return std::u16string(line.substr(0, leadingWhitespaceLength(line)));
}

} // namespace Indentation
} // namespace EditorCore
