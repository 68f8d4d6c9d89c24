#include "features/SyntaxQuery.h"

#include "features/SyntaxStrings.h"

#include <algorithm>
#include <limits>
#include <string>
#include <unordered_map>
#include <utility>

namespace EditorFeatures {
namespace {

const std::unordered_map<std::string_view, SyntaxRole>& captureRoles()
{
    static const std::unordered_map<std::string_view, SyntaxRole> table = {
        {"keyword", SyntaxRole::keyword},
        {"conditional", SyntaxRole::keyword},
        {"repeat", SyntaxRole::keyword},
        {"include", SyntaxRole::keyword},
        {"exception", SyntaxRole::keyword},
        {"boolean", SyntaxRole::keyword},
        {"constant.builtin", SyntaxRole::keyword},
        {"storageclass", SyntaxRole::keyword},
        {"string", SyntaxRole::string},
        {"character", SyntaxRole::string},
        {"escape", SyntaxRole::string},
        {"string.escape", SyntaxRole::string},
        {"number", SyntaxRole::number},
        {"float", SyntaxRole::number},
        {"constant.numeric", SyntaxRole::number},
        {"comment", SyntaxRole::comment},
        {"type", SyntaxRole::type},
        {"constructor", SyntaxRole::type},
        {"tag", SyntaxRole::type},
        {"module", SyntaxRole::type},
        {"namespace", SyntaxRole::type},
        {"function", SyntaxRole::function},
        {"method", SyntaxRole::function},
        {"property", SyntaxRole::property},
        {"attribute", SyntaxRole::property},
        {"field", SyntaxRole::property},
        {"label", SyntaxRole::property},
        {"string.special.key", SyntaxRole::property},
        {"punctuation", SyntaxRole::punctuation},
        {"operator", SyntaxRole::punctuation},
        {"text.title", SyntaxRole::property},
        {"markup.heading", SyntaxRole::property},
        {"text.literal", SyntaxRole::string},
        {"markup.raw", SyntaxRole::string},
        {"text.uri", SyntaxRole::function},
        {"markup.link.url", SyntaxRole::function},
        {"text.reference", SyntaxRole::type},
        {"markup.link.label", SyntaxRole::type},
        {"markup.link", SyntaxRole::type},
    };
    return table;
}

// Byte offsets handed to a query cursor stay within 0...2^31 - 1.
std::uint32_t cursorByte(std::int64_t offset)
{
    constexpr std::int64_t limit = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>(offset * 2, 0, limit));
}

} // namespace

std::optional<SyntaxRole> syntaxRoleFromRawValue(int raw)
{
    if (raw < 0 || raw >= static_cast<int>(allSyntaxRoles.size()))
        return std::nullopt;
    return static_cast<SyntaxRole>(raw);
}

std::ostream& operator<<(std::ostream& out, SyntaxRole role)
{
    constexpr std::string_view names[] = {
        "keyword", "string", "number", "comment", "type", "function", "property", "punctuation"};
    return out << names[static_cast<std::size_t>(role)];
}

std::ostream& operator<<(std::ostream& out, const SyntaxQuery::Failure& failure)
{
    return out << "invalid query at byte " << failure.offset;
}

EditorCore::Result<std::shared_ptr<const SyntaxQuery>, SyntaxQuery::Failure>
SyntaxQuery::make(const SyntaxLanguage& language, std::string_view source)
{
    if (source.size() > std::numeric_limits<std::uint32_t>::max())
        return EditorCore::failure(Failure{0});
    std::uint32_t errorOffset = 0;
    TSQueryError errorType = TSQueryErrorNone;
    TSQuery* raw = ts_query_new(language.raw(),
                                source.data(),
                                static_cast<std::uint32_t>(source.size()),
                                &errorOffset,
                                &errorType);
    if (!raw)
        return EditorCore::failure(Failure{errorOffset});

    std::vector<std::optional<SyntaxRole>> roles;
    auto count = ts_query_capture_count(raw);
    roles.reserve(count);
    for (std::uint32_t id = 0; id < count; ++id) {
        auto name = SyntaxStrings::captureName(raw, id);
        roles.push_back(name ? role(*name) : std::nullopt);
    }
    return std::shared_ptr<const SyntaxQuery>(new SyntaxQuery(raw, std::move(roles)));
}

SyntaxQuery::SyntaxQuery(TSQuery* raw, std::vector<std::optional<SyntaxRole>> roles)
    : m_raw(raw)
    , m_roles(std::move(roles))
{}

SyntaxQuery::~SyntaxQuery()
{
    ts_query_delete(m_raw);
}

std::optional<SyntaxRole> SyntaxQuery::role(std::string_view captureName)
{
    std::string key;
    std::vector<std::string_view> components;
    std::size_t index = 0;
    while (index <= captureName.size()) {
        auto dot = captureName.find('.', index);
        if (dot == std::string_view::npos)
            dot = captureName.size();
        if (dot > index)
            components.push_back(captureName.substr(index, dot - index));
        index = dot + 1;
    }
    const auto& table = captureRoles();
    while (!components.empty()) {
        key.clear();
        for (std::size_t part = 0; part < components.size(); ++part) {
            if (part > 0)
                key += '.';
            key += components[part];
        }
        if (auto found = table.find(key); found != table.end())
            return found->second;
        components.pop_back();
    }
    return std::nullopt;
}

std::vector<SyntaxSpan>
SyntaxQuery::spans(const SyntaxTree& tree, std::int64_t from, std::int64_t to) const
{
    std::vector<SyntaxSpan> result;
    auto start = cursorByte(from);
    auto end = cursorByte(to);
    if (start > end)
        return result;
    TSQueryCursor* cursor = ts_query_cursor_new();
    if (!cursor)
        return result;
    ts_query_cursor_set_byte_range(cursor, start, end);
    ts_query_cursor_exec(cursor, m_raw, tree.rootNode());

    TSQueryMatch match;
    std::uint32_t captureIndex = 0;
    while (ts_query_cursor_next_capture(cursor, &match, &captureIndex)) {
        const TSQueryCapture& capture = match.captures[captureIndex];
        SyntaxRange range{ts_node_start_byte(capture.node) / 2, ts_node_end_byte(capture.node) / 2};
        if (range.isEmpty() || capture.index >= m_roles.size() || !m_roles[capture.index])
            continue;
        if (!result.empty() && result.back().range == range)
            result.pop_back();
        result.push_back({range, *m_roles[capture.index]});
    }
    ts_query_cursor_delete(cursor);
    return result;
}

} // namespace EditorFeatures
