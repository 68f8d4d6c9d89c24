#include "features/SyntaxGrammars.h"
#include "features/SyntaxParser.h"
#include "features/SyntaxQuery.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace EditorFeatures;

namespace {

struct Parsed
{
    SyntaxGrammar grammar;
    std::u16string text;
    SyntaxTree tree;
};

Parsed parse(CodeLanguage language, std::u16string text)
{
    auto grammar = SyntaxGrammars::grammar(language);
    EXPECT_TRUE(grammar);
    auto parser = SyntaxParser::make(grammar->language);
    auto tree = parser->parse(text);
    EXPECT_TRUE(tree);
    return {std::move(*grammar), std::move(text), std::move(*tree)};
}

std::shared_ptr<const SyntaxQuery> compile(const SyntaxLanguage& language, std::string_view source)
{
    auto query = SyntaxQuery::make(language, source);
    EXPECT_TRUE(query) << source;
    return query ? *query : nullptr;
}

// The role of the span covering exactly [start, end), if any.
std::optional<SyntaxRole> roleAt(const std::vector<SyntaxSpan>& spans,
                                 std::u16string_view text,
                                 std::u16string_view piece,
                                 std::size_t from = 0)
{
    auto start = static_cast<std::int64_t>(text.find(piece, from));
    SyntaxRange range{start, start + static_cast<std::int64_t>(piece.size())};
    std::optional<SyntaxRole> role;
    for (const auto& span : spans) {
        if (span.range == range)
            role = span.role;
    }
    return role;
}

} // namespace

TEST(SyntaxRole, rawValuesInOrder)
{
    for (int raw = 0; raw < 8; ++raw) {
        ASSERT_TRUE(syntaxRoleFromRawValue(raw));
        EXPECT_EQ(rawValue(*syntaxRoleFromRawValue(raw)), raw);
        EXPECT_EQ(allSyntaxRoles[static_cast<std::size_t>(raw)], *syntaxRoleFromRawValue(raw));
    }
    EXPECT_EQ(syntaxRoleFromRawValue(-1), std::nullopt);
    EXPECT_EQ(syntaxRoleFromRawValue(8), std::nullopt);
    EXPECT_EQ(syntaxRoleFromRawValue(6), SyntaxRole::property);
}

TEST(SyntaxQuery, roleOfCaptureNames)
{
    using enum SyntaxRole;
    struct Case
    {
        const char* name;
        std::optional<SyntaxRole> expected;
    };
    const Case cases[] = {
        {"keyword", keyword},
        {"conditional", keyword},
        {"repeat", keyword},
        {"include", keyword},
        {"exception", keyword},
        {"boolean", keyword},
        {"constant.builtin", keyword},
        {"storageclass", keyword},
        {"string", string},
        {"character", string},
        {"escape", string},
        {"string.escape", string},
        {"number", number},
        {"float", number},
        {"constant.numeric", number},
        {"comment", comment},
        {"type", type},
        {"constructor", type},
        {"tag", type},
        {"module", type},
        {"namespace", type},
        {"function", function},
        {"method", function},
        {"property", property},
        {"attribute", property},
        {"field", property},
        {"label", property},
        {"string.special.key", property},
        {"punctuation", punctuation},
        {"operator", punctuation},
        {"text.title", property},
        {"markup.heading", property},
        {"text.literal", string},
        {"markup.raw", string},
        {"text.uri", function},
        {"markup.link.url", function},
        {"text.reference", type},
        {"markup.link.label", type},
        {"markup.link", type},
        // Longest known dotted prefix.
        {"keyword.control.conditional", keyword},
        {"string.special.symbol", string},
        {"markup.heading.1", property},
        {"markup.link.url.full", function},
        {"constant.builtin.boolean", keyword},
        {"punctuation.bracket", punctuation},
        // Empty components are dropped.
        {".keyword", keyword},
        {"keyword..control", keyword},
        {"string..special.key", property},
        // No role.
        {"constant", std::nullopt},
        {"variable", std::nullopt},
        {"variable.parameter", std::nullopt},
        {"spell", std::nullopt},
        {"markup", std::nullopt},
        {"Keyword", std::nullopt},
        {"", std::nullopt},
        {"...", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SyntaxQuery::role(c.name), c.expected);
    }
}

TEST(SyntaxQuery, rolesAreIndexedByCaptureId)
{
    auto language = SyntaxGrammars::grammar(CodeLanguage::json)->language;
    auto query = compile(language, "(number) @variable (string) @string.special (null) @x.y");
    ASSERT_TRUE(query);
    EXPECT_EQ(
        query->roles(),
        (std::vector<std::optional<SyntaxRole>>{std::nullopt, SyntaxRole::string, std::nullopt}));
}

TEST(SyntaxQuery, invalidSourceFailsWithItsByteOffset)
{
    auto language = SyntaxGrammars::grammar(CodeLanguage::json)->language;
    struct Case
    {
        std::string_view source;
        std::uint32_t offset;
    };
    const Case cases[] = {
        {"(number) @n\n(no_such_node) @x", 13},
        {"(number) @n (", 13},
        // Offsets count UTF-8 bytes: the comment holds three two-byte characters.
        {"; ééé\n(bogus) @x", 10},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.source);
        auto query = SyntaxQuery::make(language, c.source);
        ASSERT_FALSE(query);
        EXPECT_EQ(query.error(), SyntaxQuery::Failure{c.offset});
    }
}

TEST(SyntaxQuery, lastCaptureOfARangeWins)
{
    auto parsed = parse(CodeLanguage::json, u"{\"k\": \"v\"}");
    const auto& language = parsed.grammar.language;
    struct Case
    {
        const char* name;
        const char* source;
        std::optional<SyntaxRole> keyRole;
    };
    const Case cases[] = {
        {"string then key",
         "(string) @string (pair key: (_) @string.special.key)",
         SyntaxRole::property},
        {"key then string",
         "(pair key: (_) @string.special.key) (string) @string",
         SyntaxRole::string},
        {"a capture without a role is skipped entirely",
         "(string) @string (pair key: (_) @variable)",
         SyntaxRole::string},
        {"role-less capture between two roles",
         "(pair key: (_) @string.special.key) (pair key: (_) @variable) (string) @string",
         SyntaxRole::string},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto query = compile(language, c.source);
        ASSERT_TRUE(query);
        auto spans = query->spans(parsed.tree, 0, static_cast<std::int64_t>(parsed.text.size()));
        EXPECT_EQ(roleAt(spans, parsed.text, u"\"k\""), c.keyRole);
        // One span per range: identical ranges replaced each other.
        for (std::size_t index = 1; index < spans.size(); ++index)
            EXPECT_NE(spans[index - 1].range, spans[index].range);
    }
}

TEST(SyntaxQuery, spansCoverWholeNodesMeetingTheRange)
{
    auto parsed = parse(CodeLanguage::json, u"[\"aaaa\", 12, \"bbbb\"]");
    auto query = compile(parsed.grammar.language, "(string) @string (number) @number");
    ASSERT_TRUE(query);
    // 3..<5 lies inside the first string; the span still covers the whole node.
    auto spans = query->spans(parsed.tree, 3, 5);
    ASSERT_FALSE(spans.empty());
    EXPECT_EQ(spans.front(), (SyntaxSpan{{1, 7}, SyntaxRole::string}));
    for (const auto& span : spans)
        EXPECT_LT(span.range.start, 5);

    auto all = query->spans(parsed.tree, 0, static_cast<std::int64_t>(parsed.text.size()));
    EXPECT_EQ(all,
              (std::vector<SyntaxSpan>{{{1, 7}, SyntaxRole::string},
                                       {{9, 11}, SyntaxRole::number},
                                       {{13, 19}, SyntaxRole::string}}));
    EXPECT_TRUE(query->spans(parsed.tree, 5, 2).empty());
}

TEST(SyntaxQuery, zeroWidthNodesGiveNoSpan)
{
    // The closing bracket is missing: the parser inserts a zero-width "]".
    auto parsed = parse(CodeLanguage::json, u"[1, 2");
    auto query = compile(parsed.grammar.language, "\"]\" @punctuation \"[\" @punctuation");
    ASSERT_TRUE(query);
    auto spans = query->spans(parsed.tree, 0, 5);
    EXPECT_EQ(spans, (std::vector<SyntaxSpan>{{{0, 1}, SyntaxRole::punctuation}}));
}

TEST(SyntaxQuery, builtInJsonColoursKeysAsProperties)
{
    std::u16string text = u"{\"name\": \"a\\nb\", \"size\": 12.5, \"ok\": true, \"none\": null,\n"
                          u" \"list\": [\"item\", false], \"inner\": {\"deep\": -1}}";
    auto parsed = parse(CodeLanguage::json, text);
    auto spans =
        parsed.grammar.query->spans(parsed.tree, 0, static_cast<std::int64_t>(text.size()));
    for (auto key : {u"\"name\"",
                     u"\"size\"",
                     u"\"ok\"",
                     u"\"none\"",
                     u"\"list\"",
                     u"\"inner\"",
                     u"\"deep\""}) {
        SCOPED_TRACE(std::string(std::u16string_view(key).begin(), std::u16string_view(key).end()));
        EXPECT_EQ(roleAt(spans, text, key), SyntaxRole::property);
    }
    EXPECT_EQ(roleAt(spans, text, u"\"item\""), SyntaxRole::string);
    EXPECT_EQ(roleAt(spans, text, u"12.5"), SyntaxRole::number);
    EXPECT_EQ(roleAt(spans, text, u"-1"), SyntaxRole::number);
    EXPECT_EQ(roleAt(spans, text, u"true"), SyntaxRole::keyword);
    EXPECT_EQ(roleAt(spans, text, u"false"), SyntaxRole::keyword);
    EXPECT_EQ(roleAt(spans, text, u"null"), SyntaxRole::keyword);
    EXPECT_EQ(roleAt(spans, text, u"\\n"), SyntaxRole::string);

    // The grammar's own highlights alone would leave keys as strings.
    auto highlights = SyntaxGrammars::resourceQuery("highlights", CodeLanguage::json);
    ASSERT_TRUE(highlights);
    auto plain = compile(parsed.grammar.language, *highlights);
    ASSERT_TRUE(plain);
    auto plainSpans = plain->spans(parsed.tree, 0, static_cast<std::int64_t>(text.size()));
    EXPECT_EQ(roleAt(plainSpans, text, u"\"name\""), SyntaxRole::string);
}

TEST(SyntaxQuery, builtInYamlColoursKeysAsProperties)
{
    std::u16string text = u"# settings\n"
                          u"name: demo\n"
                          u"\"quoted\": 'single'\n"
                          u"count: 42\n"
                          u"ratio: 0.5\n"
                          u"enabled: true\n"
                          u"nothing: null\n"
                          u"base: &anchor {inner: x, 'flow': y}\n"
                          u"copy: *anchor\n"
                          u"list:\n"
                          u"  - item\n";
    auto parsed = parse(CodeLanguage::yaml, text);
    EXPECT_FALSE(parsed.tree.hasError()) << parsed.tree.sExpression();
    auto spans =
        parsed.grammar.query->spans(parsed.tree, 0, static_cast<std::int64_t>(text.size()));
    for (auto key : {u"name",
                     u"\"quoted\"",
                     u"count",
                     u"ratio",
                     u"enabled",
                     u"nothing",
                     u"base",
                     u"inner",
                     u"'flow'",
                     u"copy",
                     u"list"}) {
        SCOPED_TRACE(std::string(std::u16string_view(key).begin(), std::u16string_view(key).end()));
        EXPECT_EQ(roleAt(spans, text, key), SyntaxRole::property);
    }
    EXPECT_EQ(roleAt(spans, text, u"# settings"), SyntaxRole::comment);
    EXPECT_EQ(roleAt(spans, text, u"demo"), SyntaxRole::string);
    EXPECT_EQ(roleAt(spans, text, u"'single'"), SyntaxRole::string);
    EXPECT_EQ(roleAt(spans, text, u"42"), SyntaxRole::number);
    EXPECT_EQ(roleAt(spans, text, u"0.5"), SyntaxRole::number);
    EXPECT_EQ(roleAt(spans, text, u"true"), SyntaxRole::keyword);
    EXPECT_EQ(roleAt(spans, text, u"null"), SyntaxRole::keyword);
    EXPECT_EQ(roleAt(spans, text, u"item"), SyntaxRole::string);
    EXPECT_EQ(roleAt(spans, text, u"-"), SyntaxRole::punctuation);
}
