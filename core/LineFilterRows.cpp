#include "core/LineFilter.h"
#include "core/LineIndex.h"

#include <algorithm>
#include <limits>

namespace EditorCore {

std::uint8_t rawValue(LineFilter::Row::Kind kind)
{
    return static_cast<std::uint8_t>(kind);
}

std::optional<LineFilter::Row::Kind> lineFilterRowKindFromRawValue(std::uint8_t raw)
{
    if (raw > static_cast<std::uint8_t>(LineFilter::Row::Kind::gap))
        return std::nullopt;
    return static_cast<LineFilter::Row::Kind>(raw);
}

std::vector<LineFilter::Row> LineFilter::rows(std::span<const std::int64_t> lines,
                                              std::span<const SearchMatch> parts,
                                              std::span<const std::int64_t> partLines,
                                              std::int64_t context,
                                              std::int64_t lineCount,
                                              bool partsMode)
{
    using Kind = Row::Kind;
    std::vector<Row> out;
    if (partsMode) {
        const std::size_t count = std::min(parts.size(), partLines.size());
        out.reserve(count);
        for (std::size_t i = 0; i < count; ++i)
            out.push_back(Row{Kind::match, partLines[i], parts[i]});
        return out;
    }
    if (context < 1) {
        out.reserve(lines.size());
        for (std::int64_t line : lines)
            out.push_back(Row{Kind::match, line, std::nullopt});
        return out;
    }

    // Each line is emitted at most once, plus at most one gap per match line.
    const auto perMatch = static_cast<std::size_t>(std::min<std::int64_t>(context, 1 << 20)) + 1;
    out.reserve(
        std::min(lines.size() * perMatch,
                 static_cast<std::size_t>(std::max<std::int64_t>(lineCount, 0)) + lines.size()));
    std::int64_t lastEmitted = -1;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::int64_t match = lines[i];
        const std::int64_t next =
            i + 1 < lines.size() ? lines[i + 1] : std::numeric_limits<std::int64_t>::max();
        const std::int64_t low = std::max<std::int64_t>(match - context, 0);
        if (lastEmitted >= 0 && lastEmitted + 1 < low)
            out.push_back(Row{Kind::gap, -1, std::nullopt});
        for (std::int64_t line = std::max(lastEmitted + 1, low); line < match; ++line)
            out.push_back(Row{Kind::context, line, std::nullopt});
        out.push_back(Row{Kind::match, match, std::nullopt});
        const std::int64_t high = std::min({next - 1, lineCount - 1, match + context});
        if (high > match) {
            for (std::int64_t line = match + 1; line <= high; ++line)
                out.push_back(Row{Kind::context, line, std::nullopt});
            lastEmitted = high;
        } else {
            lastEmitted = match;
        }
    }
    return out;
}

std::u16string LineFilter::joinedText(std::span<const Row> rows,
                                      const LineIndex& index,
                                      std::u16string_view text,
                                      std::u16string_view separator)
{
    std::u16string out;
    const auto size = static_cast<std::int64_t>(text.size());
    for (const Row& row : rows) {
        if (row.kind == Row::Kind::gap) {
            out.append(u"--");
        } else if (row.part) {
            // A part outside the text contributes what of it lies inside.
            const std::int64_t start = std::clamp<std::int64_t>(row.part->location, 0, size);
            const std::int64_t end = std::clamp<std::int64_t>(
                row.part->location + std::max<std::int64_t>(row.part->length, 0), start, size);
            out.append(text.substr(static_cast<std::size_t>(start),
                                   static_cast<std::size_t>(end - start)));
        } else {
            const LineIndex::Range range = index.contentRange(row.line, text);
            const std::int64_t start = std::clamp<std::int64_t>(range.location, 0, size);
            const std::int64_t end =
                std::clamp<std::int64_t>(range.location + range.length, start, size);
            out.append(text.substr(static_cast<std::size_t>(start),
                                   static_cast<std::size_t>(end - start)));
        }
        out.append(separator);
    }
    return out;
}

std::ostream& operator<<(std::ostream& out, const LineFilter::Row& row)
{
    static constexpr const char* kinds[] = {"match", "context", "gap"};
    out << kinds[rawValue(row.kind)] << ' ' << row.line;
    if (row.part)
        out << ' ' << *row.part;
    return out;
}

} // namespace EditorCore
