#include "features/SyntaxGrammars.h"
#include "features/SyntaxInjectionQuery.h"
#include "features/SyntaxParser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace EditorFeatures;

namespace {

using Word = SyntaxInjectionQuery::Word;
using Capture = SyntaxInjectionQuery::Capture;

// JSON stands in for a host language: a pair's value string is the embedded region, its key
// names the language or is tested by the filters.
class InjectionFixture : public ::testing::Test
{
protected:
    std::vector<SyntaxInjection> find(std::string_view source, std::u16string_view text)
    {
        auto query = SyntaxInjectionQuery::make(m_language, source);
        EXPECT_TRUE(query) << source;
        if (!query)
            return {};
        auto parser = SyntaxParser::make(m_language);
        auto tree = parser->parse(text);
        EXPECT_TRUE(tree);
        return (*query)->injections(*tree, 0, static_cast<std::int64_t>(text.size()), text);
    }

    // The content range of the value string of the first pair whose key is `key`.
    static SyntaxRange valueOf(std::u16string_view text, std::u16string_view key)
    {
        auto keyAt = text.find(u"\"" + std::u16string(key) + u"\"");
        auto open = text.find(u'"', text.find(u':', keyAt)) + 1;
        auto close = text.find(u'"', open);
        return {static_cast<std::int64_t>(open), static_cast<std::int64_t>(close)};
    }

    SyntaxLanguage m_language = SyntaxGrammars::grammar(CodeLanguage::json)->language;
};

constexpr std::string_view valuePattern =
    "(pair key: (string (string_content) @key) value: (string (string_content) "
    "@injection.content)";

std::string pattern(std::string_view predicates)
{
    return std::string(valuePattern) + " " + std::string(predicates) + ")";
}

} // namespace

TEST_F(InjectionFixture, fixedLanguageFromSet)
{
    std::u16string text = u"{\"a\": \"x = 1\", \"b\": \"y\"}";
    auto found = find(pattern("(#set! injection.language \"javascript\")"), text);
    EXPECT_EQ(found,
              (std::vector<SyntaxInjection>{{valueOf(text, u"a"), "javascript", false},
                                            {valueOf(text, u"b"), "javascript", false}}));

    found =
        find(pattern("(#set! injection.language \"javascript\") (#set! injection.combined)"), text);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_TRUE(found[0].combined);
    EXPECT_TRUE(found[1].combined);
}

TEST_F(InjectionFixture, languageFromACapture)
{
    const std::string source =
        "(pair key: (string (string_content) @injection.language) value: (string "
        "(string_content) @injection.content))";
    struct Case
    {
        const char* name;
        std::u16string_view text;
        std::vector<std::string> languages;
    };
    const Case cases[] = {
        {"trimmed and lower-cased", u"{\" Python\t\": \"x\"}", {"python"}},
        {"only blanks", u"{\"   \": \"x\"}", {}},
        {"no-break space is a blank", u"{\"\u00a0Go\u3000\": \"x\"}", {"go"}},
        {"line breaks are kept", u"{\"js\u2028\": \"x\"}", {"js\u2028"}},
        {"non-ASCII is lower-cased", u"{\"ÉCRIT\": \"x\"}", {"écrit"}},
        {"empty key: no language", u"{\"\": \"x\"}", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> languages;
        for (const auto& injection : find(source, c.text))
            languages.push_back(injection.language);
        EXPECT_EQ(languages, c.languages);
    }
}

TEST_F(InjectionFixture, capturedLanguageReplacesTheFixedOne)
{
    const std::string source =
        "(pair key: (string (string_content)? @injection.language) value: (string "
        "(string_content) @injection.content) (#set! injection.language \"css\"))";
    std::u16string text = u"{\"HTML\": \"a\", \"\": \"b\"}";
    auto found = find(source, text);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].language, "html");
    // Without a captured language the fixed one stays.
    EXPECT_EQ(found[1].language, "css");
}

TEST_F(InjectionFixture, filtersJudgeNodeTexts)
{
    std::u16string text = u"{\"js\": \"a\", \"JS\": \"b\", \"style\": \"c\", \"script\": \"d\"}";
    const char* set = "(#set! injection.language \"x\")";
    struct Case
    {
        const char* predicate;
        std::vector<std::u16string_view> keys;
    };
    const Case cases[] = {
        {"(#eq? @key \"js\")", {u"js"}},
        {"(#not-eq? @key \"js\")", {u"JS", u"style", u"script"}},
        {"(#any-of? @key \"script\" \"style\")", {u"style", u"script"}},
        {"(#not-any-of? @key \"script\" \"style\")", {u"js", u"JS"}},
        {"(#match? @key \"^[a-z]+$\")", {u"js", u"style", u"script"}},
        {"(#not-match? @key \"s\")", {u"JS"}},
        {"(#match? @key \"^S\")", {}},
        // An expression that does not compile is dropped: the pattern matches without it.
        {"(#match? @key \"(\")", {u"js", u"JS", u"style", u"script"}},
        // Unknown and malformed predicates give no filter.
        {"(#lua-match? @key \"^s\")", {u"js", u"JS", u"style", u"script"}},
        {"(#eq? @key)", {u"js", u"JS", u"style", u"script"}},
        {"(#eq? \"js\" @key)", {u"js", u"JS", u"style", u"script"}},
        // Filters of one pattern all apply, in order.
        {"(#match? @key \"s\") (#not-eq? @key \"js\")", {u"style", u"script"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.predicate);
        auto found = find(pattern(std::string(c.predicate) + " " + set), text);
        std::vector<SyntaxRange> expected;
        for (auto key : c.keys)
            expected.push_back(valueOf(text, key));
        std::vector<SyntaxRange> ranges;
        for (const auto& injection : found)
            ranges.push_back(injection.range);
        EXPECT_EQ(ranges, expected);
    }
}

TEST_F(InjectionFixture, equalityBetweenTwoCaptures)
{
    const std::string source =
        "(pair key: (string (string_content) @key) value: (string (string_content) "
        "@injection.content) (#eq? @key @injection.content) (#set! injection.language \"x\"))";
    std::u16string text = u"{\"same\": \"same\", \"one\": \"two\"}";
    auto found = find(source, text);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].range, valueOf(text, u"same"));
}

TEST_F(InjectionFixture, aFilterOnACaptureTheMatchLacksPasses)
{
    const std::string source =
        "(pair key: (string (string_content)? @key) value: (string (string_content) "
        "@injection.content) (#eq? @key \"js\") (#set! injection.language \"x\"))";
    std::u16string text = u"{\"\": \"a\", \"js\": \"b\", \"py\": \"c\"}";
    auto found = find(source, text);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].range, valueOf(text, u""));
    EXPECT_EQ(found[1].range, valueOf(text, u"js"));
}

TEST_F(InjectionFixture, nothingWithoutContentCaptureOrLanguage)
{
    std::u16string text = u"{\"a\": \"b\"}";
    // No "injection.content" capture at all.
    EXPECT_TRUE(find("(pair value: (string (string_content) @content) (#set! injection.language "
                     "\"js\"))",
                     text)
                    .empty());
    // A content capture but no language from anywhere.
    EXPECT_TRUE(find(pattern(""), text).empty());
    // A "set!" whose third word is a capture names no language.
    EXPECT_TRUE(find(pattern("(#set! injection.language @key)"), text).empty());
}

TEST_F(InjectionFixture, compiledPatternsRecordLanguagesCombinedFlagsAndFilters)
{
    const std::string source =
        pattern("(#set! injection.language \"js\") (#eq? @key \"a\")") + "\n"
        + pattern("(#set! injection.language @key) (#set! injection.combined) (#set! other)");
    auto query = SyntaxInjectionQuery::make(m_language, source);
    ASSERT_TRUE(query);
    const auto& compiled = **query;
    EXPECT_TRUE(compiled.contentCapture());
    EXPECT_FALSE(compiled.languageCapture());
    EXPECT_EQ(compiled.fixedLanguage(),
              (std::vector<std::optional<std::string>>{"js", std::nullopt}));
    EXPECT_EQ(compiled.combined(), (std::vector<bool>{false, true}));
    ASSERT_EQ(compiled.filters().size(), 2u);
    EXPECT_EQ(compiled.filters()[0].size(), 1u);
    EXPECT_TRUE(compiled.filters()[1].empty());

    auto broken = SyntaxInjectionQuery::make(m_language, "(pair) @x\n(bogus) @y");
    ASSERT_FALSE(broken);
    EXPECT_EQ(broken.error(), SyntaxQuery::Failure{11});
}

TEST(SyntaxInjectionQuery, parsePredicate)
{
    using EqualFilter = SyntaxInjectionQuery::EqualFilter;
    using AnyOfFilter = SyntaxInjectionQuery::AnyOfFilter;
    using MatchFilter = SyntaxInjectionQuery::MatchFilter;

    auto equal = SyntaxInjectionQuery::parsePredicate({"eq?", Capture{2}, "js", "ignored"});
    ASSERT_TRUE(equal);
    const auto* e = std::get_if<EqualFilter>(&*equal);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->capture, 2u);
    EXPECT_EQ(e->value, SyntaxInjectionQuery::FilterValue(u"js"));
    EXPECT_FALSE(e->negated);

    auto notEqual = SyntaxInjectionQuery::parsePredicate({"not-eq?", Capture{1}, Capture{3}});
    ASSERT_TRUE(notEqual);
    const auto* n = std::get_if<EqualFilter>(&*notEqual);
    ASSERT_TRUE(n);
    EXPECT_EQ(n->value, SyntaxInjectionQuery::FilterValue(Capture{3}));
    EXPECT_TRUE(n->negated);

    auto anyOf =
        SyntaxInjectionQuery::parsePredicate({"not-any-of?", Capture{0}, "a", Capture{4}, "b"});
    ASSERT_TRUE(anyOf);
    const auto* a = std::get_if<AnyOfFilter>(&*anyOf);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->strings, (std::set<std::u16string>{u"a", u"b"}));
    EXPECT_TRUE(a->negated);

    auto match = SyntaxInjectionQuery::parsePredicate({"match?", Capture{0}, "^a+$"});
    ASSERT_TRUE(match);
    EXPECT_TRUE(std::get_if<MatchFilter>(&*match));

    const std::vector<Word> none[] = {
        {"match?", Capture{0}, Capture{1}},
        {"match?", Capture{0}, "("},
        {"eq?", Capture{0}},
        {"eq?", "a", "b"},
        {Capture{0}, Capture{0}, "a"},
        {"set!", Capture{0}, "a"},
        {"not-", Capture{0}, "a"},
        {"is?", Capture{0}, "a"},
        {},
    };
    for (const auto& words : none)
        EXPECT_FALSE(SyntaxInjectionQuery::parsePredicate(words));
}
