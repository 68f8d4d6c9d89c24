#include "core/LineCommands.h"

#include "core/TextBounds.h"

#include <string>
#include <vector>

namespace EditorCore::LineCommands {
namespace {

using TextBounds::isLineTerminator;

std::int64_t lengthOf(std::u16string_view text)
{
    return static_cast<std::int64_t>(text.size());
}

std::u16string_view slice(std::u16string_view text, TextRange range)
{
    return text.substr(static_cast<std::size_t>(range.location),
                       static_cast<std::size_t>(range.length));
}

bool isSpaceOrTab(char16_t unit)
{
    return unit == u' ' || unit == u'\t';
}

// The lines of a block without their terminators, cut at all six terminators. The empty piece
// after a final terminator is left out; the caller keeps that terminator apart.
std::vector<std::u16string_view> linesWithoutBreaks(std::u16string_view block)
{
    std::vector<std::u16string_view> pieces;
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < block.size()) {
        if (!isLineTerminator(block[i])) {
            ++i;
            continue;
        }
        pieces.push_back(block.substr(start, i - start));
        i += (block[i] == u'\r' && i + 1 < block.size() && block[i + 1] == u'\n') ? 2 : 1;
        start = i;
    }
    if (start < block.size() || pieces.empty())
        pieces.push_back(block.substr(start));
    return pieces;
}

} // namespace

SplitLine splitTrailingBreak(std::u16string_view lineText)
{
    const std::size_t n = lineText.size();
    if (n >= 2 && lineText[n - 2] == u'\r' && lineText[n - 1] == u'\n')
        return {lineText.substr(0, n - 2), lineText.substr(n - 2)};
    if (n >= 1 && isLineTerminator(lineText[n - 1]))
        return {lineText.substr(0, n - 1), lineText.substr(n - 1)};
    return {lineText, {}};
}

TextRange coveredLineRange(std::u16string_view text, TextRange selection)
{
    TextRange r = clampedRange(selection, lengthOf(text));
    if (r.length > 0 && r.end() >= 1) {
        const char16_t last = text[static_cast<std::size_t>(r.end() - 1)];
        if (last == u'\r' || last == u'\n')
            r.length -= 1;
    }
    return TextBounds::lineRange(text, r);
}

TextEdit duplicateLines(std::u16string_view text, TextRange selection, LineEnding ending)
{
    const TextRange sel = clampedRange(selection, lengthOf(text));
    const TextRange block = coveredLineRange(text, sel);
    const auto blockText = slice(text, block);
    const std::u16string_view separator = splitTrailingBreak(blockText).lineBreak.empty()
                                              ? characters(ending)
                                              : std::u16string_view();

    std::u16string replacement;
    replacement.reserve(2 * blockText.size() + separator.size());
    replacement.append(blockText).append(separator).append(blockText);
    const auto offset = lengthOf(blockText) + lengthOf(separator);
    return TextEdit{block, std::move(replacement), {sel.location + offset, sel.length}};
}

TextEdit deleteLines(std::u16string_view text, TextRange selection)
{
    const TextRange block = coveredLineRange(text, selection);
    const bool lastLineWithoutBreak = block.end() == lengthOf(text) && block.location != 0
                                      && splitTrailingBreak(slice(text, block)).lineBreak.empty();
    if (lastLineWithoutBreak) {
        // Take the break of the line above with it, so that no empty line is left behind.
        const auto above = TextBounds::lineBounds(text, block.location - 1);
        const auto aboveText = slice(text, {above.start, above.end - above.start});
        const auto breakLength = lengthOf(splitTrailingBreak(aboveText).lineBreak);
        return TextEdit{
            {block.location - breakLength, block.length + breakLength}, {}, {above.start, 0}};
    }
    return TextEdit{block, {}, {block.location, 0}};
}

std::optional<TextEdit>
moveLines(std::u16string_view text, TextRange selection, MoveDirection direction, LineEnding ending)
{
    const TextRange sel = clampedRange(selection, lengthOf(text));
    const TextRange block = coveredLineRange(text, sel);
    const auto blockLine = splitTrailingBreak(slice(text, block));

    if (direction == MoveDirection::up) {
        if (block.location == 0)
            return std::nullopt;
        const auto above = TextBounds::lineBounds(text, block.location - 1);
        const auto aboveLine =
            splitTrailingBreak(slice(text, {above.start, above.end - above.start}));
        const auto separator =
            aboveLine.lineBreak.empty() ? characters(ending) : aboveLine.lineBreak;
        std::u16string replacement;
        replacement.append(blockLine.body)
            .append(separator)
            .append(aboveLine.body)
            .append(blockLine.lineBreak);
        return TextEdit{{above.start, block.end() - above.start},
                        std::move(replacement),
                        {sel.location - (block.location - above.start), sel.length}};
    }

    // A block that ends with the text's final terminator is not swapped with the empty last line.
    if (block.end() >= lengthOf(text))
        return std::nullopt;
    const auto below = TextBounds::lineBounds(text, block.end());
    const auto belowLine = splitTrailingBreak(slice(text, {below.start, below.end - below.start}));
    const auto separator = blockLine.lineBreak.empty() ? characters(ending) : blockLine.lineBreak;
    std::u16string replacement;
    replacement.append(belowLine.body)
        .append(separator)
        .append(blockLine.body)
        .append(belowLine.lineBreak);
    const auto offset = lengthOf(belowLine.body) + lengthOf(separator);
    return TextEdit{{block.location, below.end - block.location},
                    std::move(replacement),
                    {sel.location + offset, sel.length}};
}

std::optional<TextEdit> joinLines(std::u16string_view text, TextRange selection)
{
    TextRange block = coveredLineRange(text, selection);
    const auto blockText = slice(text, block);
    auto finalBreak = splitTrailingBreak(blockText).lineBreak;
    std::vector<std::u16string_view> pieces = linesWithoutBreaks(blockText);

    if (pieces.size() < 2) {
        if (block.end() >= lengthOf(text))
            return std::nullopt;
        const auto next = TextBounds::lineBounds(text, block.end());
        const auto nextText = slice(text, {next.start, next.end - next.start});
        const auto split = splitTrailingBreak(nextText);
        pieces.push_back(split.body);
        block.length = next.end - block.location;
        finalBreak = split.lineBreak;
    }

    std::u16string joined(pieces.front());
    for (std::size_t i = 1; i < pieces.size(); ++i) {
        auto piece = pieces[i];
        std::size_t skip = 0;
        while (skip < piece.size() && isSpaceOrTab(piece[skip]))
            ++skip;
        piece.remove_prefix(skip);
        if (piece.empty())
            continue;
        joined += u' ';
        joined += piece;
    }
    joined += finalBreak;
    const auto caret = block.location + lengthOf(pieces.front());
    return TextEdit{block, std::move(joined), {caret, 0}};
}

} // namespace EditorCore::LineCommands
