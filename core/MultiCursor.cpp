#include "core/MultiCursor.h"

#include "core/TextEdit.h"

#include <unicode/utf16.h>

#include <algorithm>
#include <cstdlib>
#include <optional>

namespace EditorCore::MultiCursor {
namespace {

using TextBounds::ComposedCharacters;
using TextBounds::isWordUnit;

std::int64_t lengthOf(std::u16string_view text)
{
    return static_cast<std::int64_t>(text.size());
}

std::u16string_view slice(std::u16string_view text, TextRange range)
{
    return text.substr(static_cast<std::size_t>(range.location),
                       static_cast<std::size_t>(range.length));
}

// A column counted in UTF-16 units can fall between the halves of a surrogate pair; text
// typed there would split the character, so such a position moves to the pair's start.
std::int64_t outsideSurrogatePair(std::u16string_view text, std::int64_t position)
{
    if (position > 0 && position < lengthOf(text)
        && U16_IS_LEAD(text[static_cast<std::size_t>(position - 1)])
        && U16_IS_TRAIL(text[static_cast<std::size_t>(position)]))
        return position - 1;
    return position;
}

std::int64_t stepWith(std::int64_t position,
                      std::u16string_view text,
                      Movement movement,
                      ComposedCharacters& characters)
{
    const auto length = lengthOf(text);
    std::int64_t p = std::clamp<std::int64_t>(position, 0, length);
    auto unitAt = [&](std::int64_t i) { return text[static_cast<std::size_t>(i)]; };

    switch (movement) {
    case Movement::left:
        return p <= 0 ? 0 : characters.containing(p - 1).location;
    case Movement::right:
        return p >= length ? length : characters.containing(p).end();
    case Movement::up: {
        const auto line = TextBounds::lineBounds(text, p);
        if (line.start <= 0)
            return 0;
        const auto column = p - line.start;
        const auto previous = TextBounds::lineBounds(text, line.start - 1);
        return outsideSurrogatePair(text, std::min(previous.contentsEnd, previous.start + column));
    }
    case Movement::down: {
        const auto line = TextBounds::lineBounds(text, p);
        if (line.end >= length && line.contentsEnd == line.end)
            return length;
        const auto column = p - line.start;
        const auto next = TextBounds::lineBounds(text, line.end);
        return outsideSurrogatePair(text, std::min(next.contentsEnd, next.start + column));
    }
    case Movement::lineStart:
        return TextBounds::lineBounds(text, p).start;
    case Movement::lineEnd:
        return TextBounds::lineBounds(text, p).contentsEnd;
    case Movement::wordLeft:
        while (p > 0 && !isWordUnit(unitAt(p - 1)))
            --p;
        while (p > 0 && isWordUnit(unitAt(p - 1)))
            --p;
        return p;
    case Movement::wordRight:
        while (p < length && !isWordUnit(unitAt(p)))
            ++p;
        while (p < length && isWordUnit(unitAt(p)))
            ++p;
        return p;
    }
    return p;
}

bool overlapsByAUnit(TextRange a, TextRange b)
{
    return std::max(a.location, b.location) < std::min(a.end(), b.end());
}

bool overlapsAny(TextRange match, const CaretList& ranges)
{
    return std::any_of(ranges.begin(), ranges.end(), [&](const TextRange& r) {
        return overlapsByAUnit(match, r);
    });
}

// The first occurrence of the needle that lies wholly inside [from, to).
std::optional<TextRange>
find(std::u16string_view text, std::u16string_view needle, std::int64_t from, std::int64_t to)
{
    if (needle.empty() || from < 0 || to > lengthOf(text) || from > to)
        return std::nullopt;
    const auto found = slice(text, {from, to - from}).find(needle);
    if (found == std::u16string_view::npos)
        return std::nullopt;
    return TextRange{from + static_cast<std::int64_t>(found), lengthOf(needle)};
}

// Index of the range that comes last in text order.
std::size_t lastInTextOrder(const CaretList& ranges)
{
    std::size_t last = 0;
    for (std::size_t i = 1; i < ranges.size(); ++i) {
        const auto& r = ranges[i];
        const auto& l = ranges[last];
        if (r.location > l.location || (r.location == l.location && r.length >= l.length))
            last = i;
    }
    return last;
}

} // namespace

bool isBackward(Movement movement)
{
    return movement == Movement::left || movement == Movement::up || movement == Movement::lineStart
           || movement == Movement::wordLeft;
}

std::ostream& operator<<(std::ostream& out, const Edit& edit)
{
    return out << "Edit{" << edit.range << " -> \"" << escapedForDisplay(edit.text) << "\"}";
}

std::ostream& operator<<(std::ostream& out, const Result& result)
{
    out << "Result{edits [";
    for (const auto& edit : result.edits)
        out << ' ' << edit;
    out << " ], carets [";
    for (const auto& caret : result.carets)
        out << ' ' << caret;
    return out << " ]}";
}

std::ostream& operator<<(std::ostream& out, Movement movement)
{
    constexpr const char* names[] = {
        "left", "right", "up", "down", "lineStart", "lineEnd", "wordLeft", "wordRight"};
    return out << names[static_cast<int>(movement)];
}

CaretList normalize(CaretList ranges, std::int64_t textLength)
{
    for (auto& range : ranges)
        range = clampedRange(range, textLength);
    std::sort(ranges.begin(), ranges.end(), [](const TextRange& a, const TextRange& b) {
        return a.location != b.location ? a.location < b.location : a.length < b.length;
    });

    CaretList result;
    result.reserve(ranges.size());
    for (const auto& range : ranges) {
        if (!result.empty()) {
            auto& kept = result.back();
            const bool sameCaret =
                range.isEmpty() && kept.isEmpty() && range.location == kept.location;
            if (range.location < kept.end() || sameCaret) {
                kept.length = std::max(kept.end(), range.end()) - kept.location;
                continue;
            }
        }
        result.push_back(range);
    }
    if (result.empty())
        result.push_back({0, 0});
    return result;
}

Result insert(const CaretList& ranges, const std::vector<std::u16string>& texts)
{
    Result result;
    if (ranges.empty())
        return result;
    static const std::u16string nothing;
    const bool onePerRange = texts.size() == ranges.size();
    result.edits.reserve(ranges.size());
    result.carets.reserve(ranges.size());
    std::int64_t shift = 0;
    for (std::size_t i = 0; i < ranges.size(); ++i) {
        const std::u16string& text = onePerRange ? texts[i] : texts.empty() ? nothing : texts[0];
        const auto& range = ranges[i];
        const auto textLength = lengthOf(text);
        result.edits.push_back({range, text});
        result.carets.push_back({range.location + shift + textLength, 0});
        shift += textLength - range.length;
    }
    return result;
}

Result deleteBackward(const CaretList& ranges, std::u16string_view text, DeleteDirection direction)
{
    const auto length = lengthOf(text);
    ComposedCharacters characters(text);
    CaretList targets;
    targets.reserve(ranges.size());
    for (const auto& given : ranges) {
        const TextRange range = clampedRange(given, length);
        if (!range.isEmpty()) {
            targets.push_back(range);
            continue;
        }
        const auto p = range.location;
        if (direction == DeleteDirection::backward && p > 0)
            targets.push_back(characters.containing(p - 1));
        else if (direction == DeleteDirection::forward && p < length)
            targets.push_back(characters.containing(p));
        else
            targets.push_back(range);
    }

    std::stable_sort(targets.begin(), targets.end(), [](const TextRange& a, const TextRange& b) {
        return a.location < b.location;
    });
    CaretList merged;
    merged.reserve(targets.size());
    for (const auto& range : targets) {
        if (!merged.empty() && range.location < merged.back().end()) {
            auto& kept = merged.back();
            kept.length = std::max(kept.end(), range.end()) - kept.location;
            continue;
        }
        merged.push_back(range);
    }
    return insert(merged, {std::u16string()});
}

CaretList
move(const CaretList& ranges, std::u16string_view text, Movement movement, Selecting selecting)
{
    ComposedCharacters characters(text);
    const bool backward = isBackward(movement);
    CaretList moved;
    moved.reserve(ranges.size());
    for (const auto& range : ranges) {
        const auto movingEnd = backward ? range.location : range.end();
        const auto anchor = backward ? range.end() : range.location;
        const bool horizontal = movement == Movement::left || movement == Movement::right;
        if (horizontal && selecting == Selecting::move && !range.isEmpty()) {
            moved.push_back({movingEnd, 0});
            continue;
        }
        const auto p = stepWith(movingEnd, text, movement, characters);
        if (selecting == Selecting::extend)
            moved.push_back({std::min(p, anchor), std::abs(anchor - p)});
        else
            moved.push_back({p, 0});
    }
    return normalize(std::move(moved), lengthOf(text));
}

std::int64_t step(std::int64_t position, std::u16string_view text, Movement movement)
{
    ComposedCharacters characters(text);
    return stepWith(position, text, movement, characters);
}

TextBounds::LineBounds lineBounds(std::int64_t position, std::u16string_view text)
{
    return TextBounds::lineBounds(text, position);
}

TextRange wordRange(std::int64_t position, std::u16string_view text)
{
    const auto length = lengthOf(text);
    const auto p = std::clamp<std::int64_t>(position, 0, length);
    auto start = p;
    while (start > 0 && isWordUnit(text[static_cast<std::size_t>(start - 1)]))
        --start;
    auto end = p;
    while (end < length && isWordUnit(text[static_cast<std::size_t>(end)]))
        ++end;
    return {start, end - start};
}

CaretList addNextOccurrence(const CaretList& ranges, std::u16string_view text)
{
    if (ranges.empty())
        return ranges;
    const auto length = lengthOf(text);
    const std::size_t lastIndex = lastInTextOrder(ranges);
    const TextRange last = clampedRange(ranges[lastIndex], length);

    if (last.isEmpty()) {
        const auto word = wordRange(last.location, text);
        if (word.isEmpty())
            return ranges;
        CaretList result = ranges;
        result[lastIndex] = word;
        return normalize(std::move(result), length);
    }

    const auto needle = slice(text, last);
    auto match = find(text, needle, last.end(), length);
    while (match && overlapsAny(*match, ranges))
        match = find(text, needle, match->end(), length);
    if (!match) {
        // Wrap around: first only before the last range, then past each skipped match.
        match = find(text, needle, 0, last.location);
        while (match && overlapsAny(*match, ranges))
            match = find(text, needle, match->end(), length);
    }
    if (!match)
        return ranges;
    CaretList result = ranges;
    result.push_back(*match);
    return normalize(std::move(result), length);
}

CaretList selectAllOccurrences(const CaretList& ranges, std::u16string_view text)
{
    if (ranges.empty())
        return ranges;
    const auto length = lengthOf(text);
    TextRange last = clampedRange(ranges[lastInTextOrder(ranges)], length);
    if (last.isEmpty()) {
        last = wordRange(last.location, text);
        if (last.isEmpty())
            return ranges;
    }
    const auto needle = slice(text, last);
    CaretList matches;
    for (auto match = find(text, needle, 0, length); match;
         match = find(text, needle, match->end(), length))
        matches.push_back(*match);
    return normalize(std::move(matches), length);
}

CaretList
addCaretVertically(const CaretList& ranges, std::u16string_view text, VerticalDirection direction)
{
    if (ranges.empty())
        return ranges;
    std::int64_t from = 0;
    std::int64_t to = 0;
    if (direction == VerticalDirection::above) {
        from = std::min_element(
                   ranges.begin(),
                   ranges.end(),
                   [](const TextRange& a, const TextRange& b) { return a.location < b.location; })
                   ->location;
        to = step(from, text, Movement::up);
    } else {
        from = std::max_element(
                   ranges.begin(),
                   ranges.end(),
                   [](const TextRange& a, const TextRange& b) { return a.end() < b.end(); })
                   ->end();
        to = step(from, text, Movement::down);
    }
    if (TextBounds::lineBounds(text, to).start == TextBounds::lineBounds(text, from).start)
        return ranges;
    CaretList result = ranges;
    result.push_back({to, 0});
    return normalize(std::move(result), lengthOf(text));
}

CaretList caretsPerLine(const CaretList& ranges, std::u16string_view text)
{
    const auto length = lengthOf(text);
    CaretList carets;
    for (const auto& given : ranges) {
        const TextRange range = clampedRange(given, length);
        auto line = TextBounds::lineBounds(text, range.location);
        while (true) {
            carets.push_back({line.contentsEnd, 0});
            if (line.end >= range.end() || line.end >= length)
                break;
            line = TextBounds::lineBounds(text, line.end);
        }
    }
    return normalize(std::move(carets), length);
}

CaretList columnSelection(std::int64_t anchor, std::int64_t head, std::u16string_view text)
{
    const auto length = lengthOf(text);
    const auto anchorLine = TextBounds::lineBounds(text, anchor);
    const auto headLine = TextBounds::lineBounds(text, head);
    const auto anchorColumn = std::clamp<std::int64_t>(anchor, 0, length) - anchorLine.start;
    const auto headColumn = std::clamp<std::int64_t>(head, 0, length) - headLine.start;
    const auto lowColumn = std::min(anchorColumn, headColumn);
    const auto highColumn = std::max(anchorColumn, headColumn);
    const auto lastStart = std::max(anchorLine.start, headLine.start);

    CaretList ranges;
    auto line = anchorLine.start <= headLine.start ? anchorLine : headLine;
    while (true) {
        const auto from =
            outsideSurrogatePair(text, std::min(line.contentsEnd, line.start + lowColumn));
        const auto to =
            outsideSurrogatePair(text, std::min(line.contentsEnd, line.start + highColumn));
        ranges.push_back({from, to - from});
        if (line.start >= lastStart || line.end <= line.start)
            break;
        line = TextBounds::lineBounds(text, line.end);
    }
    return normalize(std::move(ranges), length);
}

std::vector<std::u16string> pasteLines(std::u16string_view pasted, std::int64_t caretCount)
{
    std::u16string normalized;
    normalized.reserve(pasted.size());
    for (std::size_t i = 0; i < pasted.size(); ++i) {
        if (pasted[i] == u'\r') {
            normalized += u'\n';
            if (i + 1 < pasted.size() && pasted[i + 1] == u'\n')
                ++i;
        } else {
            normalized += pasted[i];
        }
    }
    std::vector<std::u16string> pieces;
    std::size_t start = 0;
    while (true) {
        const auto lineFeed = normalized.find(u'\n', start);
        if (lineFeed == std::u16string::npos) {
            pieces.push_back(normalized.substr(start));
            break;
        }
        pieces.push_back(normalized.substr(start, lineFeed - start));
        start = lineFeed + 1;
    }
    if (!normalized.empty() && normalized.back() == u'\n')
        pieces.pop_back();

    if (caretCount >= 2 && static_cast<std::size_t>(caretCount) == pieces.size())
        return pieces;
    return {std::u16string(pasted)};
}

} // namespace EditorCore::MultiCursor
