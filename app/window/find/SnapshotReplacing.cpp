#include "app/window/find/SnapshotReplacing.h"

#include "core/SearchSyntax.h"
#include "core/SnapshotSearch.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

namespace EditorWindow::SnapshotReplacing {

std::pair<std::int64_t, std::int64_t> scopeOf(const EditorCore::CompiledSearch& search,
                                              std::int64_t length)
{
    const auto& scope = search.query().scope;
    if (!scope)
        return {0, length};
    const std::int64_t start = std::clamp<std::int64_t>(scope->lowerBound, 0, length);
    return {start, std::clamp<std::int64_t>(scope->upperBound, start, length)};
}

namespace {

// The template expanded with the groups' texts, copied out of the snapshot: only the stretch
// the groups cover (a group inside a look-ahead may reach past the match).
std::u16string expand(std::u16string_view replacement,
                      const EditorCore::TextSnapshot& text,
                      std::vector<std::optional<EditorCore::SearchMatch>>& groups)
{
    std::int64_t from = -1;
    std::int64_t to = -1;
    for (const auto& group : groups) {
        if (!group)
            continue;
        from = from < 0 ? group->location : std::min(from, group->location);
        to = std::max(to, group->location + group->length);
    }
    if (from < 0)
        return EditorCore::SearchSyntax::expandTemplate(replacement, {}, groups);
    const std::u16string covered = text.text(from, to - from);
    for (auto& group : groups) {
        if (group)
            group->location -= from;
    }
    return EditorCore::SearchSyntax::expandTemplate(replacement, covered, groups);
}

} // namespace

std::u16string replacementText(const EditorCore::CompiledSearch& search,
                               const EditorCore::TextSnapshot& text,
                               std::int64_t location,
                               std::int64_t length,
                               std::u16string_view replacement)
{
    if (!search.query().regularExpression)
        return std::u16string(replacement);
    EditorCore::SnapshotScanner scanner(search, text);
    std::vector<std::optional<EditorCore::SearchMatch>> groups;
    const auto [from, to] = scopeOf(search, text.length());
    if (!scanner.matchAnchored(location, length, groups, std::pair{from, to}))
        return std::u16string(replacement);
    return expand(replacement, text, groups);
}

Replaced replaceAll(const EditorCore::CompiledSearch& search,
                    const EditorCore::TextSnapshot& text,
                    std::u16string_view replacement)
{
    Replaced result;
    const auto [from, to] = scopeOf(search, text.length());
    const bool expression = search.query().regularExpression;
    std::int64_t copied = -1;
    std::vector<std::optional<EditorCore::SearchMatch>> groups;
    EditorCore::SnapshotScanner scanner(search, text);
    (void)scanner.enumerate(from, to - from, true, [&](const EditorCore::SearchMatch& match) {
        if (copied < 0) {
            result.location = match.location;
            copied = match.location;
        }
        text.visit(copied, match.location - copied, [&](std::u16string_view piece) {
            result.text.append(piece);
            return true;
        });
        if (expression) {
            scanner.currentGroups(groups);
            result.text.append(expand(replacement, text, groups));
        } else {
            result.text.append(replacement);
        }
        copied = match.location + match.length;
        ++result.count;
        return true;
    });
    if (result.count > 0)
        result.length = copied - result.location;
    return result;
}

} // namespace EditorWindow::SnapshotReplacing
