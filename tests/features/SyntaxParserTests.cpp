#include "features/SyntaxEdit.h"
#include "features/SyntaxGrammars.h"
#include "features/SyntaxLanguage.h"
#include "features/SyntaxParser.h"
#include "features/SyntaxTree.h"
#include "tests/features/TestLanguages.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace EditorFeatures;

namespace {

SyntaxLanguage jsonLanguage()
{
    auto grammar = SyntaxGrammars::grammar(CodeLanguage::json);
    EXPECT_TRUE(grammar);
    return grammar->language;
}

SyntaxParser jsonParser()
{
    auto parser = SyntaxParser::make(jsonLanguage());
    EXPECT_TRUE(parser);
    return std::move(*parser);
}

SyntaxProblem missing(std::int64_t at, std::optional<std::string> token)
{
    return {{at, at}, SyntaxProblem::Missing{std::move(token)}};
}

SyntaxProblem unexpected(std::int64_t start, std::int64_t end)
{
    return {{start, end}, SyntaxProblem::Unexpected{}};
}

} // namespace

TEST(SyntaxLanguage, acceptsAbiVersions13To15Only)
{
    for (std::uint32_t version : {0u, 12u, 13u, 14u, 15u, 16u, 17u}) {
        SCOPED_TRACE(version);
        auto language = SyntaxLanguage::make("test", olvTestLanguageWithVersion(version));
        bool supported = version >= 13 && version <= 15;
        ASSERT_EQ(language.has_value(), supported);
        EXPECT_EQ(SyntaxLanguage::supportsVersion(version), supported);
        if (language) {
            EXPECT_EQ(language->version(), version);
            EXPECT_EQ(language->name(), "test");
        }
    }
    EXPECT_FALSE(SyntaxLanguage::make("none", nullptr));
}

TEST(SyntaxLanguage, builtInGrammarsAreWithinTheRange)
{
    for (auto code : {CodeLanguage::json, CodeLanguage::yaml}) {
        auto grammar = SyntaxGrammars::builtin(code);
        ASSERT_TRUE(grammar) << code;
        EXPECT_TRUE(SyntaxLanguage::supportsVersion(grammar->language.version()));
        EXPECT_TRUE(SyntaxParser::make(grammar->language)) << code;
    }
}

TEST(SyntaxEdit, pointsCountLineFeedsOnly)
{
    struct Case
    {
        const char* name;
        std::u16string_view text;
        std::int64_t offset;
        SyntaxEdit::Point expected;
    };
    const Case cases[] = {
        {"start", u"abc", 0, {0, 0}},
        {"end of one line", u"abc", 3, {0, 3}},
        {"crlf: after the pair", u"a\r\nb", 3, {1, 0}},
        {"crlf: between the pair", u"a\r\nb", 2, {0, 2}},
        {"lone cr", u"a\rb", 2, {0, 2}},
        {"nel", u"a\u0085b", 2, {0, 2}},
        {"line separator", u"a\u2028b", 2, {0, 2}},
        {"paragraph separator", u"a\u2029b", 2, {0, 2}},
        {"just after a line feed", u"ab\n", 3, {1, 0}},
        {"two rows", u"a\nbc\ndef", 7, {2, 2}},
        {"surrogate pair counts two units", u"\U0001F600x\ny", 3, {0, 3}},
        {"past the end", u"a\nb", 6, {1, 4}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SyntaxEdit::point(c.offset, c.text), c.expected);
    }
}

TEST(SyntaxEdit, makeUsesOldTextForStartAndOldEndAndNewTextForNewEnd)
{
    // "ab\ncd" with "b\nc" (1..<4) replaced by "X" gives "aXd".
    auto edit = SyntaxEdit::make(1, 4, 1, u"ab\ncd", u"aXd");
    SyntaxEdit expected{1, 4, 2, {0, 1}, {1, 1}, {0, 2}};
    EXPECT_EQ(edit, expected);

    // Inserting a line feed at 0 of "ab".
    EXPECT_EQ(SyntaxEdit::make(0, 0, 1, u"ab", u"\nab"),
              (SyntaxEdit{0, 0, 1, {0, 0}, {0, 0}, {1, 0}}));
}

TEST(SyntaxTree, editShiftsLaterNodesInUnitsRowsAndColumns)
{
    auto parser = jsonParser();
    auto tree = parser.parse(u"[1, 2]");
    ASSERT_TRUE(tree);
    // Insert a line feed, a line feed and a blank after the bracket.
    std::u16string edited = u"[\n\n 1, 2]";
    tree->edit(SyntaxEdit::make(1, 1, 3, u"[1, 2]", edited));
    TSNode array = ts_node_named_child(tree->rootNode(), 0);
    TSNode two = ts_node_named_child(array, 1);
    EXPECT_EQ(ts_node_start_byte(two), 2u * 7);
    EXPECT_EQ(ts_node_start_point(two).row, 2u);
    EXPECT_EQ(ts_node_start_point(two).column, 2u * 4);

    auto reparsed = parser.parse(edited, &*tree);
    ASSERT_TRUE(reparsed);
    EXPECT_EQ(reparsed->sExpression(), parser.parse(edited)->sExpression());
}

TEST(SyntaxParser, parsesUtf16WithOffsetsInUnits)
{
    auto parser = jsonParser();
    // The Korean key and the emoji are one and two UTF-16 units: node offsets must follow units.
    std::u16string text = u"{\"키\": \"\U0001F600\"}";
    auto tree = parser.parse(text);
    ASSERT_TRUE(tree);
    EXPECT_EQ(tree->rootType(), "document");
    EXPECT_FALSE(tree->hasError());
    TSNode object = ts_node_named_child(tree->rootNode(), 0);
    EXPECT_EQ(ts_node_end_byte(object) / 2, text.size());
    TSNode pair = ts_node_named_child(object, 0);
    TSNode value = ts_node_child_by_field_name(pair, "value", 5);
    EXPECT_EQ(ts_node_start_byte(value) / 2, 6u);
    EXPECT_EQ(ts_node_end_byte(value) / 2, 10u);
    EXPECT_NE(tree->sExpression().find("(pair key: (string"), std::string::npos)
        << tree->sExpression();
}

// The parser reads a snapshot chunk by chunk through its read callback: the tree must be the one
// of the same text in one string, with borders inside pairs of units, inside tokens and in
// one-byte chunks that are widened on the way.
TEST(SyntaxParser, readsASnapshotAsItReadsOneString)
{
    auto parser = jsonParser();
    const std::u16string texts[] = {
        u"{\"\uD0A4\": \"\U0001F600\", \"caf\u00E9\": [1, 2.5e3, true, null]}",
        u"[\"plain ascii\", {\"nested\": {\"deep\": [\"\U0001F469\u200D\U0001F4BB\"]}}]\r\n",
        u"{\"broken\": [1, 2,, }",
        u"",
    };
    for (const auto& text : texts) {
        auto expected = parser.parse(text);
        ASSERT_TRUE(expected);
        for (std::int64_t size : {1, 2, 3, 7, 4096}) {
            SCOPED_TRACE(::testing::Message() << "chunks of " << size);
            const EditorCore::ChunkedText chunks(text, {size, size, size});
            auto tree = parser.parse(chunks.current());
            ASSERT_TRUE(tree);
            EXPECT_EQ(tree->sExpression(), expected->sExpression());
            EXPECT_EQ(ts_node_end_byte(tree->rootNode()), ts_node_end_byte(expected->rootNode()));
            EXPECT_EQ(tree->problems(0, 100), expected->problems(0, 100));
        }
    }

    // An incremental parse over the edited snapshot gives the fresh parse's tree.
    const std::u16string before = texts[0];
    EditorCore::ChunkedText chunks(before, {2, 2, 2});
    auto tree = parser.parse(chunks.current());
    ASSERT_TRUE(tree);
    const std::int64_t at = static_cast<std::int64_t>(before.find(u"2.5e3"));
    std::u16string after = before;
    after.replace(static_cast<std::size_t>(at), 5, u"\"\u00E9\u00E9\"");
    tree->edit(SyntaxEdit::make(at, at + 5, 4, before, after));
    chunks.replace(at, 5, u"\"\u00E9\u00E9\"");
    auto reparsed = parser.parse(chunks.current(), &*tree);
    ASSERT_TRUE(reparsed);
    EXPECT_EQ(reparsed->sExpression(), parser.parse(after)->sExpression());
}

TEST(SyntaxParser, incrementalParseMatchesAFreshParse)
{
    auto parser = jsonParser();
    std::u16string text = u"{\"a\": [1, 2, 3],\n \"b\": {\"c\": null}}";
    auto tree = parser.parse(text);
    ASSERT_TRUE(tree);

    auto unedited = tree->copy();
    EXPECT_TRUE(tree->changedRanges(unedited).empty());

    // Replace the 2 by "true".
    std::u16string edited = text;
    auto at = edited.find(u'2');
    edited.replace(at, 1, u"true");
    auto edit = SyntaxEdit::make(
        static_cast<std::int64_t>(at), static_cast<std::int64_t>(at + 1), 4, text, edited);
    tree->edit(edit);
    auto reparsed = parser.parse(edited, &*tree);
    ASSERT_TRUE(reparsed);
    auto fresh = parser.parse(edited);
    ASSERT_TRUE(fresh);
    EXPECT_EQ(reparsed->sExpression(), fresh->sExpression());

    auto changed = reparsed->changedRanges(*tree);
    ASSERT_FALSE(changed.empty());
    EXPECT_LE(changed.front().start, static_cast<std::int64_t>(at));
    EXPECT_GE(changed.back().end, static_cast<std::int64_t>(at + 4));
}

TEST(SyntaxParser, parsesOnlyTheIncludedRanges)
{
    auto parser = jsonParser();
    // Host text with two JSON pieces; the second sits on a later row after a CR LF and a lone CR.
    std::u16string text = u"xx[1]yy\r\nz\r[2]w";
    std::vector<SyntaxRange> ranges = {{2, 5}, {11, 14}};
    auto tree = parser.parse(text, ranges);
    ASSERT_TRUE(tree);
    EXPECT_FALSE(tree->hasError()) << tree->sExpression();
    TSNode root = tree->rootNode();
    ASSERT_EQ(ts_node_named_child_count(root), 2u);
    TSNode second = ts_node_named_child(root, 1);
    EXPECT_EQ(ts_node_start_byte(second) / 2, 11u);
    EXPECT_EQ(ts_node_start_point(second).row, 1u);
    EXPECT_EQ(ts_node_start_point(second).column / 2, 2u);

    // The parser is back on the whole text afterwards.
    auto whole = parser.parse(u"[3]");
    ASSERT_TRUE(whole);
    EXPECT_FALSE(whole->hasError());

    EXPECT_FALSE(parser.parse(text, std::vector<SyntaxRange>{}));
    // Overlapping ranges are refused by the runtime.
    EXPECT_FALSE(parser.parse(text, std::vector<SyntaxRange>{{2, 5}, {3, 4}}));
}

TEST(SyntaxTree, problemsOfErrorAndMissingNodes)
{
    auto parser = jsonParser();
    struct Case
    {
        const char* name;
        std::u16string_view text;
        std::vector<SyntaxProblem> expected;
    };
    const Case cases[] = {
        {"valid", u"{\"a\": [1, 2]}", {}},
        {"missing closing brace", u"{\"a\": 1", {missing(7, "}")}},
        {"missing closing bracket", u"[1, 2", {missing(5, "]")}},
        {"unexpected token", u"[1, 2,, 3]", {unexpected(6, 7)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto tree = parser.parse(c.text);
        ASSERT_TRUE(tree);
        auto problems = tree->problems(0, 500);
        EXPECT_EQ(problems, c.expected) << tree->sExpression();
        EXPECT_EQ(tree->hasError(), !c.expected.empty());
    }
}

TEST(SyntaxTree, problemsHonourLimitAndOffset)
{
    auto parser = jsonParser();
    auto tree = parser.parse(u"[1,, 2,, 3");
    ASSERT_TRUE(tree);
    auto all = tree->problems(0, 500);
    ASSERT_GE(all.size(), 2u) << tree->sExpression();
    for (std::size_t index = 1; index < all.size(); ++index)
        EXPECT_LE(all[index - 1].range.end, all[index].range.start) << "nested or out of order";

    EXPECT_TRUE(tree->problems(0, 0).empty());
    auto first = tree->problems(0, 1);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first.front(), all.front());

    auto shifted = tree->problems(100, 500);
    ASSERT_EQ(shifted.size(), all.size());
    for (std::size_t index = 0; index < all.size(); ++index) {
        EXPECT_EQ(shifted[index].range.start, all[index].range.start + 100);
        EXPECT_EQ(shifted[index].range.end, all[index].range.end + 100);
        EXPECT_EQ(shifted[index].kind, all[index].kind);
    }
}

TEST(SyntaxTree, movedTreesKeepOneOwner)
{
    auto parser = jsonParser();
    auto tree = parser.parse(u"[1]");
    ASSERT_TRUE(tree);
    SyntaxTree moved = std::move(*tree);
    SyntaxTree copy = moved.copy();
    moved = std::move(copy);
    EXPECT_EQ(moved.rootType(), "document");
}
