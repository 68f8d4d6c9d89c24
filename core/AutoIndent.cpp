#include "core/AutoIndent.h"

#include "core/TextBounds.h"

#include <algorithm>

namespace EditorCore::AutoIndent {
namespace {

std::int64_t lengthOf(std::u16string_view text)
{
    return static_cast<std::int64_t>(text.size());
}

bool isSpaceOrTab(char16_t unit)
{
    return unit == u' ' || unit == u'\t';
}

std::optional<char16_t> closingBracketFor(char16_t opening)
{
    for (const auto& [open, close] : bracketPairs) {
        if (open == opening)
            return close;
    }
    return std::nullopt;
}

} // namespace

std::u16string restOfLine(std::u16string_view text, std::int64_t position)
{
    const auto p = std::clamp<std::int64_t>(position, 0, lengthOf(text));
    auto end = TextBounds::lineBounds(text, p).end;
    while (end > p
           && (text[static_cast<std::size_t>(end - 1)] == u'\n'
               || text[static_cast<std::size_t>(end - 1)] == u'\r'))
        --end;
    if (end <= p)
        return {};
    return std::u16string(
        text.substr(static_cast<std::size_t>(p), static_cast<std::size_t>(end - p)));
}

TextEdit newLineText(std::u16string_view text,
                     TextRange selection,
                     IndentStyle style,
                     LineEnding ending,
                     SmartIndent smart,
                     ColonIndent colon)
{
    const TextRange sel = clampedRange(selection, lengthOf(text));
    const auto caret = sel.location;
    auto replacedEnd = sel.end();
    const auto lineStart = TextBounds::lineBounds(text, caret).start;
    const auto beforeCaret = text.substr(static_cast<std::size_t>(lineStart),
                                         static_cast<std::size_t>(caret - lineStart));

    std::size_t whitespaceLength = 0;
    while (whitespaceLength < beforeCaret.size() && isSpaceOrTab(beforeCaret[whitespaceLength]))
        ++whitespaceLength;
    const auto whitespace = beforeCaret.substr(0, whitespaceLength);
    const auto lineBreak = characters(ending);

    std::u16string indent(whitespace);
    std::u16string afterCaret;
    if (smart == SmartIndent::on && whitespaceLength < beforeCaret.size()) {
        std::size_t last = beforeCaret.size();
        while (isSpaceOrTab(beforeCaret[last - 1]))
            --last;
        const char16_t character = beforeCaret[last - 1];
        if (const auto closing = closingBracketFor(character)) {
            indent += style.unit();
            const auto rest = restOfLine(text, replacedEnd);
            std::size_t skipped = 0;
            while (skipped < rest.size() && isSpaceOrTab(rest[skipped]))
                ++skipped;
            if (skipped < rest.size() && rest[skipped] == *closing) {
                replacedEnd += static_cast<std::int64_t>(skipped);
                afterCaret.append(lineBreak).append(whitespace);
            }
        } else if (colon == ColonIndent::on && character == u':') {
            indent += style.unit();
        }
    }

    std::u16string replacement;
    replacement.append(lineBreak).append(indent).append(afterCaret);
    const auto newCaret = caret + lengthOf(lineBreak) + lengthOf(indent);
    return TextEdit{{caret, replacedEnd - caret}, std::move(replacement), {newCaret, 0}};
}

std::optional<TextEdit> closingBracketEdit(std::u16string_view typed,
                                           std::u16string_view text,
                                           std::int64_t position,
                                           IndentStyle style)
{
    if (typed.size() != 1 || closingBrackets.find(typed.front()) == std::u16string_view::npos)
        return std::nullopt;
    const auto p = std::clamp<std::int64_t>(position, 0, lengthOf(text));
    const auto lineStart = TextBounds::lineBounds(text, p).start;
    auto beforeCaret =
        text.substr(static_cast<std::size_t>(lineStart), static_cast<std::size_t>(p - lineStart));
    if (beforeCaret.empty() || !std::all_of(beforeCaret.begin(), beforeCaret.end(), isSpaceOrTab))
        return std::nullopt;

    if (beforeCaret.back() == u'\t') {
        beforeCaret.remove_suffix(1);
    } else {
        const auto width = static_cast<std::size_t>(style.effectiveWidth());
        std::size_t removed = 0;
        while (removed < width && removed < beforeCaret.size()
               && beforeCaret[beforeCaret.size() - 1 - removed] == u' ')
            ++removed;
        beforeCaret.remove_suffix(removed);
    }
    std::u16string replacement(beforeCaret);
    replacement += typed;
    const auto caret = lineStart + lengthOf(replacement);
    return TextEdit{{lineStart, p - lineStart}, std::move(replacement), {caret, 0}};
}

} // namespace EditorCore::AutoIndent
