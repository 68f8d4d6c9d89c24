#include "features/SyntaxGrammarLoad.h"
#include "features/SyntaxParser.h"
#include "tests/features/StoreTestSupport.h"

#include <gtest/gtest.h>

using namespace EditorFeatures;
using SyntaxGrammars::LoadFailure;
namespace fs = std::filesystem;

namespace {

InstalledGrammar record(std::string symbol, std::string dylib = "libgrammar.so")
{
    return InstalledGrammar{
        "json-downloaded", "1.0", {"json"}, std::move(symbol), std::move(dylib), 1};
}

// A version folder as an installation leaves it: the library under its record name beside
// its queries. Each test copies the library, so each load opens a file of its own.
class GrammarLoad : public ::testing::Test
{
protected:
    void install(const char* library, std::string_view highlights)
    {
        fs::copy_file(library, folder.path() / "libgrammar.so");
        StoreTest::writeText(folder.path() / "highlights.scm", highlights);
    }
    std::string jsonHighlights() const { return StoreTest::readText(OLV_TEST_JSON_HIGHLIGHTS); }

    StoreTest::TemporaryFolder folder;
};

} // namespace

TEST_F(GrammarLoad, loadsAnInstalledLibraryAndParsesWithIt)
{
    install(OLV_TEST_JSON_LIBRARY, jsonHighlights());
    auto grammar = SyntaxGrammars::load(record("tree_sitter_json"), folder.path());
    ASSERT_TRUE(grammar) << grammar.error();
    EXPECT_EQ(grammar->language.name(), "json-downloaded");
    EXPECT_FALSE(grammar->injections);

    auto parser = SyntaxParser::make(grammar->language);
    ASSERT_TRUE(parser);
    std::u16string text = u"{\"키\": [1, true, null]}";
    auto tree = parser->parse(text);
    ASSERT_TRUE(tree);
    EXPECT_EQ(tree->rootType(), "document");
    EXPECT_FALSE(tree->hasError());
    auto spans = grammar->query->spans(*tree, 0, static_cast<std::int64_t>(text.size()));
    ASSERT_FALSE(spans.empty());
    EXPECT_EQ(spans.front().range.start, 1);
}

TEST_F(GrammarLoad, injectionsAreOptional)
{
    install(OLV_TEST_JSON_LIBRARY, jsonHighlights());
    StoreTest::writeText(folder.path() / "injections.scm",
                         "((string_content) @injection.content\n"
                         " (#set! injection.language \"yaml\"))");
    auto grammar = SyntaxGrammars::load(record("tree_sitter_json"), folder.path());
    ASSERT_TRUE(grammar) << grammar.error();
    EXPECT_TRUE(grammar->injections);

    // One that does not compile leaves the grammar without injections, not unloaded.
    StoreTest::writeText(folder.path() / "injections.scm", "(no_such_node) @injection.content");
    grammar = SyntaxGrammars::load(record("tree_sitter_json"), folder.path());
    ASSERT_TRUE(grammar) << grammar.error();
    EXPECT_FALSE(grammar->injections);
}

TEST_F(GrammarLoad, eachFailure)
{
    struct Case
    {
        const char* name;
        const char* library;
        std::string highlights;
        InstalledGrammar record;
        LoadFailure failure;
    };
    const Case cases[] = {
        {"library missing",
         nullptr,
         "",
         record("tree_sitter_json", "libnothing.so"),
         LoadFailure::refused("")},
        {"not a library",
         nullptr,
         "",
         record("tree_sitter_json", "highlights.scm"),
         LoadFailure::refused("")},
        {"library name leaving the folder",
         OLV_TEST_JSON_LIBRARY,
         "",
         record("tree_sitter_json", "../libgrammar.so"),
         LoadFailure::refused("")},
        {"symbol missing",
         OLV_TEST_JSON_LIBRARY,
         "",
         record("tree_sitter_yaml"),
         LoadFailure::missingSymbol()},
        {"no language",
         OLV_TEST_ODD_LIBRARY,
         "",
         record("olv_test_no_language"),
         LoadFailure::incompatible()},
        {"ABI 12", OLV_TEST_ODD_LIBRARY, "", record("olv_test_abi12"), LoadFailure::incompatible()},
        {"highlights missing",
         OLV_TEST_JSON_LIBRARY,
         "",
         record("tree_sitter_json"),
         LoadFailure::badQuery()},
        {"highlights not compiling",
         OLV_TEST_JSON_LIBRARY,
         "(((string",
         record("tree_sitter_json"),
         LoadFailure::badQuery()},
        {"highlights naming an unknown node",
         OLV_TEST_JSON_LIBRARY,
         "(flower) @string",
         record("tree_sitter_json"),
         LoadFailure::badQuery()},
        {"highlights not UTF-8",
         OLV_TEST_JSON_LIBRARY,
         "(string) @string ; \xff\xfe",
         record("tree_sitter_json"),
         LoadFailure::badQuery()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        StoreTest::TemporaryFolder version;
        if (c.library)
            fs::copy_file(c.library, version.path() / "libgrammar.so");
        if (!c.highlights.empty())
            StoreTest::writeText(version.path() / "highlights.scm", c.highlights);
        else if (!c.library)
            StoreTest::writeText(version.path() / "highlights.scm", "(string) @string");

        auto grammar = SyntaxGrammars::load(c.record, version.path());
        ASSERT_FALSE(grammar);
        if (auto* refused = std::get_if<LoadFailure::Refused>(&grammar.error().value)) {
            ASSERT_TRUE(std::holds_alternative<LoadFailure::Refused>(c.failure.value))
                << grammar.error();
            // The loader's own text, which names the file.
            EXPECT_NE(refused->text.find(c.record.dylib), std::string::npos) << refused->text;
        } else {
            EXPECT_EQ(grammar.error(), c.failure);
        }
    }
}
