#include "features/SyntaxLayer.h"
#include "tests/features/MarkdownGrammars.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace EditorFeatures;

namespace {

SyntaxTree parse(const SyntaxGrammar& grammar, std::u16string_view text)
{
    auto parser = SyntaxParser::make(grammar.language);
    return std::move(*parser->parse(text));
}

SyntaxLayer::Piece single(std::int64_t start, std::int64_t end)
{
    return {{{start, end}}, nullptr, start};
}

std::vector<SyntaxRange> spansOf(const std::vector<const SyntaxLayer::Piece*>& pieces)
{
    std::vector<SyntaxRange> result;
    for (const auto* piece : pieces)
        result.push_back(piece->span());
    return result;
}

SyntaxInjectionState markdownState()
{
    SyntaxInjectionState state;
    state.replaceGrammars(
        {{"markdown_inline", TestGrammars::markdownInline()}, {"json", TestGrammars::json()}});
    return state;
}

} // namespace

TEST(SyntaxLayerNames, canonicalNames)
{
    struct Case
    {
        std::string_view text;
        std::string_view name;
        std::optional<CodeLanguage> language;
    };
    const std::vector<Case> cases = {
        {"JS", "javascript", CodeLanguage::javascript},
        {"javascript", "javascript", CodeLanguage::javascript},
        {"c++", "cpp", CodeLanguage::cpp},
        {"h", "c", CodeLanguage::c},
        {"svg", "xml", CodeLanguage::xml},
        {"plaintext", "text", CodeLanguage::plainText},
        {"console", "bash", CodeLanguage::shell},
        {"shell", "bash", CodeLanguage::shell},
        {"bash", "bash", CodeLanguage::shell},
        {"yml", "yaml", CodeLanguage::yaml},
        {"Kotlin", "kotlin", CodeLanguage::kotlin},
        {"markdown_inline", "markdown_inline", std::nullopt},
        {"latex", "latex", std::nullopt},
        {"Shell Session", "shell session", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(canonicalInjectionName(c.text), c.name);
        EXPECT_EQ(codeLanguageFromInjectionName(c.text), c.language);
    }
}

TEST(SyntaxLayerRanges, mergeRanges)
{
    struct Case
    {
        const char* name;
        std::vector<SyntaxRange> ranges;
        std::vector<SyntaxRange> merged;
    };
    const std::vector<Case> cases = {
        {"touching ranges stay apart", {{0, 5}, {5, 9}}, {{0, 5}, {5, 9}}},
        {"overlapping ranges merge", {{0, 5}, {3, 9}}, {{0, 9}}},
        {"a range inside another", {{0, 10}, {2, 4}, {12, 14}}, {{0, 10}, {12, 14}}},
        {"unsorted", {{20, 30}, {0, 5}, {25, 40}}, {{0, 5}, {20, 40}}},
        {"none", {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(mergeRanges(c.ranges), c.merged);
    }
}

TEST(SyntaxLayerPieces, piecesOverlapping)
{
    SyntaxLayer layer{
        TestGrammars::json(), std::nullopt, {single(0, 10), single(20, 30), single(40, 50)}};
    using Ranges = std::vector<SyntaxRange>;
    EXPECT_EQ(spansOf(layer.piecesOverlapping(25, 45)), (Ranges{{20, 30}, {40, 50}}));
    EXPECT_EQ(spansOf(layer.piecesOverlapping(30, 40)), Ranges{});
    EXPECT_EQ(spansOf(layer.piecesOverlapping(0, 100)), (Ranges{{0, 10}, {20, 30}, {40, 50}}));
    EXPECT_EQ(spansOf(layer.piecesOverlapping(9, 21)), (Ranges{{0, 10}, {20, 30}}));

    layer.combined = SyntaxLayer::Piece{{{12, 14}, {16, 16}, {60, 70}}, nullptr, 0};
    EXPECT_EQ(spansOf(layer.piecesOverlapping(13, 15)), (Ranges{{12, 70}}));
    // Only the empty range of the combined piece lies there.
    EXPECT_EQ(spansOf(layer.piecesOverlapping(15, 17)), Ranges{});
    // An empty query range never takes the combined piece.
    EXPECT_EQ(spansOf(layer.piecesOverlapping(13, 13)), Ranges{});
    EXPECT_EQ(spansOf(layer.piecesOverlapping(45, 65)), (Ranges{{12, 70}, {40, 50}}));
    EXPECT_EQ(layer.pieces().size(), 4u);
}

TEST(SyntaxLayerPieces, spansOfASinglePieceAreMovedToHostOffsets)
{
    const auto& json = TestGrammars::json();
    std::u16string piece = u"{\"key\": [1, 2, \"three\"], \"x\": true}";
    auto tree = std::make_shared<const SyntaxTree>(parse(json, piece));
    SyntaxLayer::Piece at100{{{100, 100 + static_cast<std::int64_t>(piece.size())}}, tree, 100};

    auto expected = json.query->spans(*tree, 0, 20);
    ASSERT_FALSE(expected.empty());
    for (auto& span : expected) {
        span.range.start += 100;
        span.range.end += 100;
    }
    EXPECT_EQ(at100.spans(*json.query, 50, 120), expected);

    // A combined piece's tree already counts in host offsets.
    SyntaxLayer::Piece atZero{{{0, static_cast<std::int64_t>(piece.size())}}, tree, 0};
    EXPECT_EQ(atZero.spans(*json.query, 3, 9), json.query->spans(*tree, 3, 9));
}

TEST(SyntaxLayerParse, identicalBlocksShareOneTree)
{
    const std::u16string text = u"```json\n[1, 2]\n```\n\ntext\n\n```JSON\n[1, 2]\n```\n";
    auto host = parse(TestGrammars::markdown(), text);
    auto state = markdownState();
    auto found = parseLayers(TestGrammars::markdown(), host, text, state);
    EXPECT_TRUE(found.missing.empty());
    ASSERT_EQ(found.layers.size(), 2u);
    const auto& json = found.layers[0];
    ASSERT_EQ(json.grammar.language.name(), "json");
    EXPECT_FALSE(json.combined);
    ASSERT_EQ(json.singles.size(), 2u);
    EXPECT_EQ(json.singles[0].tree, json.singles[1].tree);
    EXPECT_EQ(json.singles[0].offset, static_cast<std::int64_t>(text.find(u"[1, 2]")));
    EXPECT_EQ(json.singles[1].offset, static_cast<std::int64_t>(text.rfind(u"[1, 2]")));
    EXPECT_EQ(state.pieceCache["json"].size(), 1u);

    // The next parse of the same text takes the tree from the cache.
    auto again = parseLayers(TestGrammars::markdown(), host, text, state);
    ASSERT_EQ(again.layers.size(), 2u);
    EXPECT_EQ(again.layers[0].singles[0].tree, json.singles[0].tree);
}

TEST(SyntaxLayerParse, combinedRegionsParseAsOneTree)
{
    const auto& markdown = TestGrammars::markdown();
    auto injections = SyntaxInjectionQuery::make(
        markdown.language,
        "((fenced_code_block (code_fence_content) @injection.content)"
        " (#set! injection.language \"json\") (#set! injection.combined))");
    ASSERT_TRUE(injections);
    SyntaxGrammar host{markdown.language, markdown.query, *injections};

    // One array split over two blocks, with a syntax error in the second.
    const std::u16string text = u"```\n[1,\n```\n\nprose\n\n```\n2,, 3]\n```\n";
    auto tree = parse(markdown, text);
    auto state = markdownState();
    auto found = parseLayers(host, tree, text, state);
    ASSERT_EQ(found.layers.size(), 1u);
    const auto& layer = found.layers[0];
    EXPECT_TRUE(layer.singles.empty());
    ASSERT_TRUE(layer.combined);
    EXPECT_EQ(layer.combined->offset, 0);
    ASSERT_EQ(layer.combined->ranges.size(), 2u);
    EXPECT_EQ(layer.combined->ranges[0].start, static_cast<std::int64_t>(text.find(u"[1,")));
    EXPECT_EQ(layer.combined->tree->rootType(), "document");
    // Its problems already lie at host offsets.
    auto problems = layer.combined->tree->problems(0, 500);
    ASSERT_FALSE(problems.empty());
    auto second = layer.combined->ranges[1];
    EXPECT_GE(problems[0].range.start, second.start);
    EXPECT_LE(problems[0].range.end, second.end);
    // Combined trees are never cached.
    EXPECT_TRUE(state.pieceCache["json"].empty());
}

TEST(SyntaxLayerParse, replacingGrammarsPrunesParsersAndCache)
{
    const std::u16string text = u"Para *one*.\n\n```json\n[1]\n```\n";
    auto host = parse(TestGrammars::markdown(), text);
    auto state = markdownState();
    auto found = parseLayers(TestGrammars::markdown(), host, text, state);
    ASSERT_EQ(found.layers.size(), 2u);
    EXPECT_EQ(state.parsers.size(), 2u);
    EXPECT_EQ(state.pieceCache.size(), 2u);

    // The same grammar under "json" keeps its parser and trees; a different language under
    // "markdown_inline" drops them.
    state.replaceGrammars({{"json", TestGrammars::json()},
                           {"markdown_inline", *SyntaxGrammars::grammar(CodeLanguage::yaml)}});
    EXPECT_TRUE(state.parsers.contains("json"));
    EXPECT_FALSE(state.parsers.contains("markdown_inline"));
    EXPECT_TRUE(state.pieceCache.contains("json"));
    EXPECT_FALSE(state.pieceCache.contains("markdown_inline"));

    state.replaceGrammars({});
    EXPECT_TRUE(state.parsers.empty());
    EXPECT_TRUE(state.pieceCache.empty());
    found = parseLayers(TestGrammars::markdown(), host, text, state);
    EXPECT_TRUE(found.layers.empty());
    EXPECT_EQ(found.missing, (std::set<std::string>{"json", "markdown_inline"}));
}
