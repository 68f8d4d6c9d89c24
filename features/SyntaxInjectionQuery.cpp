#include "features/SyntaxInjectionQuery.h"

#include "features/SyntaxStrings.h"

#include <unicode/locid.h>
#include <unicode/regex.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <utility>

namespace EditorFeatures {
namespace {

constexpr std::string_view contentCaptureName = "injection.content";
constexpr std::string_view languageCaptureName = "injection.language";

std::uint32_t cursorByte(std::int64_t offset)
{
    constexpr std::int64_t limit = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>(offset * 2, 0, limit));
}

bool isString(const SyntaxInjectionQuery::Word& word, std::string_view text)
{
    const auto* string = std::get_if<std::string>(&word);
    return string && *string == text;
}

// The text of a node; none when its end lies before its start or past the text.
std::optional<std::u16string_view> nodeText(TSNode node, std::u16string_view text)
{
    std::size_t start = ts_node_start_byte(node) / 2;
    std::size_t end = ts_node_end_byte(node) / 2;
    if (end < start || end > text.size())
        return std::nullopt;
    return text.substr(start, end - start);
}

std::optional<std::u16string_view>
captureText(const TSQueryMatch& match, std::uint32_t capture, std::u16string_view text)
{
    for (std::uint16_t index = 0; index < match.capture_count; ++index) {
        if (match.captures[index].index == capture)
            return nodeText(match.captures[index].node, text);
    }
    return std::nullopt;
}

bool isTrimmed(UChar32 c)
{
    return c == u'\t' || u_charType(c) == U_SPACE_SEPARATOR;
}

// Trimmed of blanks and tabs (never of line breaks) and lower-cased.
std::string languageName(std::u16string_view text)
{
    std::size_t start = 0;
    std::size_t end = text.size();
    while (start < end) {
        UChar32 c;
        std::size_t next = start;
        U16_NEXT(text.data(), next, end, c);
        if (!isTrimmed(c))
            break;
        start = next;
    }
    while (end > start) {
        UChar32 c;
        std::size_t previous = end;
        U16_PREV(text.data(), start, previous, c);
        if (!isTrimmed(c))
            break;
        end = previous;
    }
    icu::UnicodeString name(text.data() + start, static_cast<int32_t>(end - start));
    name.toLower(icu::Locale::getRoot());
    std::string result;
    name.toUTF8String(result);
    return result;
}

class FilterCheck
{
public:
    FilterCheck(const TSQueryMatch& match, std::u16string_view text)
        : m_match(match)
        , m_text(text)
    {}

    bool operator()(const SyntaxInjectionQuery::EqualFilter& filter) const
    {
        auto node = captureText(m_match, filter.capture, m_text);
        if (!node)
            return true;
        if (const auto* string = std::get_if<std::u16string>(&filter.value))
            return (*node == *string) != filter.negated;
        auto other = captureText(
            m_match, std::get<SyntaxInjectionQuery::Capture>(filter.value).index, m_text);
        if (!other)
            return filter.negated;
        return (*node == *other) != filter.negated;
    }

    bool operator()(const SyntaxInjectionQuery::AnyOfFilter& filter) const
    {
        auto node = captureText(m_match, filter.capture, m_text);
        if (!node)
            return true;
        bool hit = filter.strings.contains(std::u16string(*node));
        return hit != filter.negated;
    }

    bool operator()(const SyntaxInjectionQuery::MatchFilter& filter) const
    {
        auto node = captureText(m_match, filter.capture, m_text);
        if (!node)
            return true;
        icu::UnicodeString subject(false, node->data(), static_cast<int32_t>(node->size()));
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::RegexMatcher> matcher(filter.expression->matcher(subject, status));
        bool hit = U_SUCCESS(status) && matcher && matcher->find(status) && U_SUCCESS(status);
        return hit != filter.negated;
    }

private:
    const TSQueryMatch& m_match;
    std::u16string_view m_text;
};

} // namespace

std::ostream& operator<<(std::ostream& out, const SyntaxInjection& injection)
{
    return out << injection.range << " " << injection.language
               << (injection.combined ? " combined" : "");
}

EditorCore::Result<std::shared_ptr<const SyntaxInjectionQuery>, SyntaxQuery::Failure>
SyntaxInjectionQuery::make(const SyntaxLanguage& language, std::string_view source)
{
    if (source.size() > std::numeric_limits<std::uint32_t>::max())
        return EditorCore::failure(SyntaxQuery::Failure{0});
    std::uint32_t errorOffset = 0;
    TSQueryError errorType = TSQueryErrorNone;
    TSQuery* raw = ts_query_new(language.raw(),
                                source.data(),
                                static_cast<std::uint32_t>(source.size()),
                                &errorOffset,
                                &errorType);
    if (!raw)
        return EditorCore::failure(SyntaxQuery::Failure{errorOffset});
    std::shared_ptr<SyntaxInjectionQuery> query(new SyntaxInjectionQuery(raw));

    for (std::uint32_t id = 0; id < ts_query_capture_count(raw); ++id) {
        auto name = SyntaxStrings::captureName(raw, id);
        if (name == contentCaptureName)
            query->m_contentCapture = id;
        else if (name == languageCaptureName)
            query->m_languageCapture = id;
    }

    auto patterns = ts_query_pattern_count(raw);
    query->m_fixedLanguage.resize(patterns);
    query->m_filters.resize(patterns);
    query->m_combined.resize(patterns, false);
    for (std::uint32_t pattern = 0; pattern < patterns; ++pattern) {
        std::uint32_t stepCount = 0;
        const TSQueryPredicateStep* steps =
            ts_query_predicates_for_pattern(raw, pattern, &stepCount);
        std::vector<std::vector<Word>> predicates;
        std::vector<Word> current;
        for (std::uint32_t index = 0; index < stepCount; ++index) {
            const auto& step = steps[index];
            switch (step.type) {
            case TSQueryPredicateStepTypeCapture:
                current.emplace_back(Capture{step.value_id});
                break;
            case TSQueryPredicateStepTypeString: {
                std::uint32_t length = 0;
                const char* value = ts_query_string_value_for_id(raw, step.value_id, &length);
                current.push_back(
                    SyntaxStrings::repairedUtf8(value ? std::string_view(value, length) : ""));
                break;
            }
            case TSQueryPredicateStepTypeDone:
                predicates.push_back(std::move(current));
                current.clear();
                break;
            }
        }

        for (const auto& words : predicates) {
            if (words.size() == 3 && isString(words[0], "set!")
                && isString(words[1], languageCaptureName)) {
                if (const auto* fixed = std::get_if<std::string>(&words[2]))
                    query->m_fixedLanguage[pattern] = *fixed;
                break;
            }
        }
        for (const auto& words : predicates) {
            if (auto filter = parsePredicate(words))
                query->m_filters[pattern].push_back(std::move(*filter));
            if (words.size() == 2 && isString(words[0], "set!")
                && isString(words[1], "injection.combined"))
                query->m_combined[pattern] = true;
        }
    }
    return std::shared_ptr<const SyntaxInjectionQuery>(std::move(query));
}

SyntaxInjectionQuery::SyntaxInjectionQuery(TSQuery* raw)
    : m_raw(raw)
{}

SyntaxInjectionQuery::~SyntaxInjectionQuery()
{
    ts_query_delete(m_raw);
}

std::optional<SyntaxInjectionQuery::Filter>
SyntaxInjectionQuery::parsePredicate(const std::vector<Word>& words)
{
    if (words.size() < 3)
        return std::nullopt;
    const auto* first = std::get_if<std::string>(&words[0]);
    const auto* capture = std::get_if<Capture>(&words[1]);
    if (!first || !capture)
        return std::nullopt;

    std::string_view name = *first;
    bool negated = name.starts_with("not-");
    if (negated)
        name.remove_prefix(4);

    if (name == "eq?") {
        if (const auto* string = std::get_if<std::string>(&words[2]))
            return EqualFilter{capture->index, SyntaxStrings::utf16(*string), negated};
        return EqualFilter{capture->index, std::get<Capture>(words[2]), negated};
    }
    if (name == "any-of?") {
        AnyOfFilter filter{capture->index, {}, negated};
        for (std::size_t index = 2; index < words.size(); ++index) {
            if (const auto* string = std::get_if<std::string>(&words[index]))
                filter.strings.insert(SyntaxStrings::utf16(*string));
        }
        return filter;
    }
    if (name == "match?") {
        const auto* source = std::get_if<std::string>(&words[2]);
        if (!source)
            return std::nullopt;
        UErrorCode status = U_ZERO_ERROR;
        UParseError parseError;
        auto pattern = SyntaxStrings::utf16(*source);
        std::shared_ptr<const icu::RegexPattern> expression(icu::RegexPattern::compile(
            icu::UnicodeString(pattern.data(), static_cast<int32_t>(pattern.size())),
            0,
            parseError,
            status));
        if (U_FAILURE(status) || !expression)
            return std::nullopt;
        return MatchFilter{capture->index, std::move(expression), negated};
    }
    return std::nullopt;
}

std::vector<SyntaxInjection> SyntaxInjectionQuery::injections(const SyntaxTree& tree,
                                                              std::int64_t from,
                                                              std::int64_t to,
                                                              std::u16string_view text) const
{
    std::vector<SyntaxInjection> result;
    if (!m_contentCapture)
        return result;
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
    while (ts_query_cursor_next_match(cursor, &match)) {
        FilterCheck check(match, text);
        bool accepted = true;
        for (const auto& filter : m_filters[match.pattern_index]) {
            if (!std::visit(check, filter)) {
                accepted = false;
                break;
            }
        }
        if (!accepted)
            continue;

        std::optional<std::u16string> language;
        if (const auto& fixed = m_fixedLanguage[match.pattern_index])
            language = SyntaxStrings::utf16(*fixed);
        std::optional<TSNode> content;
        for (std::uint16_t index = 0; index < match.capture_count; ++index) {
            const auto& capture = match.captures[index];
            if (capture.index == *m_contentCapture)
                content = capture.node;
            if (m_languageCapture && capture.index == *m_languageCapture) {
                auto captured = nodeText(capture.node, text);
                if (captured && !captured->empty())
                    language = std::u16string(*captured);
            }
        }
        if (!content || !language)
            continue;
        auto name = languageName(*language);
        if (name.empty())
            continue;
        SyntaxRange range{ts_node_start_byte(*content) / 2, ts_node_end_byte(*content) / 2};
        if (range.isEmpty())
            continue;
        result.push_back({range, std::move(name), m_combined[match.pattern_index]});
    }
    ts_query_cursor_delete(cursor);
    return result;
}

} // namespace EditorFeatures
