#include "core/TextTidy.h"

#include <gtest/gtest.h>

#include <string>

using namespace EditorCore;
using TextTidy::Failure;
using Reason = TextTidy::Failure::Reason;

namespace {

std::string utf8(std::u16string_view text)
{
    std::string result;
    for (char16_t unit : text)
        result.push_back(unit < 0x80 ? static_cast<char>(unit) : '?');
    return result;
}

Failure at(std::int64_t line, std::int64_t column, Reason reason = Reason::invalidJSON)
{
    return Failure{line, column, reason};
}

Failure without(Reason reason)
{
    return Failure{std::nullopt, std::nullopt, reason};
}

} // namespace

TEST(TextTidyJSON, prettyPrintsTheSevenLineExampleByteForByte)
{
    const auto result = TextTidy::prettyJSON(uR"({"a": 1, "b": [1, 2], "c": {}})", u"  ", u"\n");
    ASSERT_TRUE(result.has_value()) << result.error();
    EXPECT_EQ(utf8(*result),
              "{\n"
              "  \"a\": 1,\n"
              "  \"b\": [\n"
              "    1,\n"
              "    2\n"
              "  ],\n"
              "  \"c\": {}\n"
              "}");
}

TEST(TextTidyJSON, prettyPrintFollowsIndentNewlineAndFinalBreak)
{
    const struct
    {
        const char* name;
        std::u16string text;
        std::u16string indent;
        std::u16string newline;
        std::u16string expected;
    } cases[] = {
        {"tab and CR LF",
         u"[1,{\"k\":true}]",
         u"\t",
         u"\r\n",
         u"[\r\n\t1,\r\n\t{\r\n\t\t\"k\": true\r\n\t}\r\n]"},
        {"final LF kept as the newline",
         u"{\"a\":1}\n",
         u"  ",
         u"\r\n",
         u"{\r\n  \"a\": 1\r\n}\r\n"},
        {"final CR LF gives one newline", u"[]\r\n", u"  ", u"\n", u"[]\n"},
        {"final CR", u"{}\r", u"  ", u"\n", u"{}\n"},
        {"empty containers stay together",
         u"{ \"a\" : [ ] , \"b\" : { } }",
         u"  ",
         u"\n",
         u"{\n  \"a\": [],\n  \"b\": {}\n}"},
        {"bare number", u"  42  ", u"  ", u"\n", u"42"},
        {"bare string", u"\"x\"", u"  ", u"\n", u"\"x\""},
        {"spaces inside strings survive",
         u"{\"a b\":\"c  d\"}",
         u"  ",
         u"\n",
         u"{\n  \"a b\": \"c  d\"\n}"},
        {"non-BMP and escapes untouched",
         u"[\"\U0001F600\",\"\\u00e9\\\"\"]",
         u" ",
         u"\n",
         u"[\n \"\U0001F600\",\n \"\\u00e9\\\"\"\n]"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto result = TextTidy::prettyJSON(c.text, c.indent, c.newline);
        ASSERT_TRUE(result.has_value()) << result.error();
        EXPECT_EQ(*result, c.expected);
    }
}

TEST(TextTidyJSON, commentsAreKeptWhereTheyStand)
{
    const struct
    {
        const char* name;
        std::u16string text;
        std::u16string expected;
    } cases[] = {
        {"line comment after a comma stays on its line",
         u"[1, // one\n2]",
         u"[\n  1, // one\n  2\n]"},
        {"comment on its own line keeps a line",
         u"{\n// note\n\"a\": 1\n}",
         u"{\n  // note\n  \"a\": 1\n}"},
        {"object holding only a comment", u"{ // only\n}", u"{\n  // only\n}"},
        {"block comment between members",
         u"{\"a\":1,/* b */\"b\":2}",
         u"{\n  \"a\": 1,\n  /* b */\n  \"b\": 2\n}"},
        {"block comment at the end stays on the line", u"[1] /* end */", u"[\n  1\n] /* end */"},
        {"line comment at the end", u"[1]\n// bye\n", u"[\n  1\n]\n// bye\n"},
        {"first element followed by a comment is not validated",
         u"[01 // zero\n, 2]",
         u"[\n  01 // zero\n  ,\n  2\n]"},
        {"values beside a comment are not glued",
         u"// c\n[true false]",
         u"// c\n[\n  true false\n]"},
        {"slash inside a value is part of it", u"// c\n[a/b]", u"// c\n[\n  a/b\n]"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto result = TextTidy::prettyJSON(c.text, u"  ", u"\n");
        ASSERT_TRUE(result.has_value()) << result.error();
        EXPECT_EQ(*result, c.expected);
    }
}

TEST(TextTidyJSON, minifyWritesTokensBackToBack)
{
    const auto result = TextTidy::minify(u"{\n  \"a b\" : [ 1 , 2.5e3 ],\r\n  \"c\": null\n}\n");
    ASSERT_TRUE(result.has_value()) << result.error();
    EXPECT_EQ(*result, u"{\"a b\":[1,2.5e3],\"c\":null}");
    EXPECT_EQ(TextTidy::minify(u" \"x y\" "), u"\"x y\"");
}

TEST(TextTidyJSON, failuresCarryTheirPositionAndReason)
{
    const struct
    {
        const char* name;
        std::u16string text;
        Failure expected;
    } cases[] = {
        {"stray closing bracket at its own position", u"{\"a\": 1}\n  ]", at(2, 3)},
        {"mismatched closer", u"[1,\n 2}", at(2, 3)},
        {"unclosed bracket fails at the end", u"{\"a\": [1,\n2", at(2, 2)},
        {"string broken by a line feed fails at its quote", u"[1,\n  \"ab\ncd\"]", at(2, 3)},
        {"unterminated string", u"[\"abc", at(1, 2)},
        {"unclosed block comment fails at the slash", u"[1, /* x */ 2, /*/ ]", at(1, 16)},
        {"column counts scalars for the tokenizer", u"[\"\U0001F600\"]]", at(1, 6)},
        {"empty text fails in the parser", u"", at(1, 1)},
        {"trailing comma found by the parser", u"[1,]", at(1, 4)},
        {"parser column after a CR LF line", u"{\r\n\"a\": tru}", at(2, 9)},
        {"parser column counts grapheme clusters", u"[\"e\u0301\u00e9\" x]", at(1, 7)},
        {"number too large for a double", u"[1e400]", at(1, 6)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto result = TextTidy::prettyJSON(c.text, u"  ", u"\n");
        ASSERT_FALSE(result.has_value()) << utf8(*result);
        EXPECT_EQ(result.error(), c.expected);
    }
}

TEST(TextTidyJSON, nulOutsideAStringFailsWhereItStands)
{
    using namespace std::string_literals;
    const struct
    {
        const char* name;
        std::u16string text;
        Failure expected;
    } cases[] = {
        {"after a whole value", u"123\0"s, at(1, 4)},
        {"before more text", u"{\"a\":1}\0[garbage"s, at(1, 8)},
        {"inside a bare value", u"[tr\0ue]"s, at(1, 4)},
        {"on a later line", u"[1,\n\0 2]"s, at(2, 1)},
        {"inside a string it is a control character", u"[\"a\0b\"]"s, at(1, 4)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto pretty = TextTidy::prettyJSON(c.text, u"  ", u"\n");
        ASSERT_FALSE(pretty.has_value()) << utf8(*pretty);
        EXPECT_EQ(pretty.error(), c.expected);
        const auto minified = TextTidy::minify(c.text);
        ASSERT_FALSE(minified.has_value()) << utf8(*minified);
        EXPECT_EQ(minified.error(), c.expected);
    }
    // Beside a comment the parser is not asked; the tokenizer finds it.
    const auto commented = TextTidy::prettyJSON(u"[1] // c\n\0 2"s, u"  ", u"\n");
    ASSERT_FALSE(commented.has_value());
    EXPECT_EQ(commented.error(), at(2, 1));
}

TEST(TextTidyJSON, minifyRefusesCommentsBeforeParsing)
{
    EXPECT_EQ(TextTidy::minify(u"[1 // one\n, 2]").error(), without(Reason::jsonHasComments));
    EXPECT_EQ(TextTidy::minify(u"[x /* c */]").error(), without(Reason::jsonHasComments));
    // A tokenizer fault comes before the comment check.
    EXPECT_EQ(TextTidy::minify(u"// c\n]").error(), at(2, 1));
    EXPECT_EQ(TextTidy::minify(u"").error(), at(1, 1));
    EXPECT_EQ(TextTidy::minify(u"[1 2]").error(), at(1, 4));
}

TEST(TextTidyJSON, tokenizerMarksCommentsOnTheLineOfAnotherToken)
{
    using Kind = TextTidy::Token::Kind;
    const auto tokens = TextTidy::tokenize(u"// a\n[1, /* b */\n/* c */ 2] // d");
    ASSERT_TRUE(tokens.has_value());
    const std::vector<TextTidy::Token> expected = {
        {Kind::lineComment, u"// a", false},
        {Kind::open, u"[", false},
        {Kind::value, u"1", false},
        {Kind::comma, u",", false},
        {Kind::blockComment, u"/* b */", true},
        {Kind::blockComment, u"/* c */", false},
        {Kind::value, u"2", false},
        {Kind::close, u"]", false},
        {Kind::lineComment, u"// d", true},
    };
    EXPECT_EQ(*tokens, expected);
}

TEST(TextTidyJSON, blockCommentNeedsItsOwnClosingStar)
{
    using Kind = TextTidy::Token::Kind;
    const auto tokens = TextTidy::tokenize(u"/**/ /*/ x */");
    ASSERT_TRUE(tokens.has_value());
    ASSERT_EQ(tokens->size(), 2u);
    EXPECT_EQ((*tokens)[0].text, u"/**/");
    EXPECT_EQ((*tokens)[1].text, u"/*/ x */");
    EXPECT_EQ((*tokens)[1].kind, Kind::blockComment);
    EXPECT_EQ(TextTidy::tokenize(u"/*/").error(), at(1, 1));
}

TEST(TextTidyJSON, nestingDeeperThan512Fails)
{
    const std::u16string deepest = std::u16string(512, u'[') + std::u16string(512, u']');
    const auto pretty = TextTidy::prettyJSON(deepest, u" ", u"\n");
    ASSERT_TRUE(pretty.has_value()) << pretty.error();
    EXPECT_EQ(TextTidy::minify(deepest), deepest);

    // Indenting 100,000 levels would write billions of characters.
    const std::u16string tooDeep = u"// c\n" + std::u16string(100'000, u'[');
    EXPECT_EQ(TextTidy::prettyJSON(tooDeep, u"  ", u"\n").error(), at(2, 513));
}
