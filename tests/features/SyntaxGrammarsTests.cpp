#include "features/SyntaxGrammars.h"
#include "features/SyntaxParser.h"

#include <gtest/gtest.h>

using namespace EditorFeatures;

TEST(SyntaxGrammars, builtInGrammarsAreJsonAndYaml)
{
    for (auto language : allCodeLanguages) {
        SCOPED_TRACE(rawValue(language));
        bool builtIn = language == CodeLanguage::json || language == CodeLanguage::yaml;
        EXPECT_EQ(SyntaxGrammars::isBuiltin(language), builtIn);
        auto grammar = SyntaxGrammars::builtin(language);
        ASSERT_EQ(grammar.has_value(), builtIn);
        EXPECT_EQ(SyntaxGrammars::grammar(language).has_value(), builtIn);
        if (grammar) {
            EXPECT_EQ(grammar->language.name(), rawValue(language));
            EXPECT_TRUE(grammar->query);
            EXPECT_FALSE(grammar->injections);
        }
    }
}

TEST(SyntaxGrammars, registryKeepsTheFirstGrammarBuilt)
{
    auto first = SyntaxGrammars::grammar(CodeLanguage::yaml);
    auto second = SyntaxGrammars::grammar(CodeLanguage::yaml);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->query, second->query);
    // Building without the registry compiles a new query.
    EXPECT_NE(SyntaxGrammars::builtin(CodeLanguage::yaml)->query, first->query);
}

TEST(SyntaxGrammars, queryResources)
{
    EXPECT_TRUE(SyntaxGrammars::resourceQuery("highlights", CodeLanguage::json));
    EXPECT_TRUE(SyntaxGrammars::resourceQuery("highlights", CodeLanguage::yaml));
    auto viewer = SyntaxGrammars::resourceQuery("viewer", CodeLanguage::json);
    ASSERT_TRUE(viewer);
    EXPECT_NE(viewer->find("@property"), std::string_view::npos);
    EXPECT_FALSE(SyntaxGrammars::resourceQuery("injections", CodeLanguage::json));
    EXPECT_FALSE(SyntaxGrammars::resourceQuery("highlights", CodeLanguage::python));
}

TEST(SyntaxGrammars, downloadableLanguagesAndRevisionTables)
{
    const auto& downloadable = SyntaxGrammars::downloadableLanguages();
    EXPECT_EQ(downloadable.size(), 24u);
    for (auto excluded :
         {CodeLanguage::json, CodeLanguage::yaml, CodeLanguage::plainText, CodeLanguage::log})
        EXPECT_FALSE(downloadable.contains(excluded)) << excluded;
    EXPECT_TRUE(downloadable.contains(CodeLanguage::shell));
    EXPECT_TRUE(downloadable.contains(CodeLanguage::markdown));

    EXPECT_EQ(SyntaxGrammars::minimumRevision("html"), 2);
    EXPECT_EQ(SyntaxGrammars::minimumRevision("markdown"), 2);
    EXPECT_EQ(SyntaxGrammars::minimumRevision("php"), 2);
    EXPECT_EQ(SyntaxGrammars::minimumRevision("python"), 1);
    EXPECT_EQ(SyntaxGrammars::minimumRevision("markdown_inline"), 1);

    const auto& companions = SyntaxGrammars::companions();
    ASSERT_EQ(companions.size(), 1u);
    EXPECT_EQ(companions.at("markdown"), (std::vector<std::string>{"markdown_inline"}));
}

TEST(SyntaxGrammars, yamlBlockPastRow32767)
{
    // Rows past 32767 once overflowed the YAML scanner's 16-bit state.
    std::u16string text;
    for (int row = 0; row < 40000; ++row)
        text += u"key: value\n";
    text += u"last:\n  - item\n";
    auto grammar = SyntaxGrammars::grammar(CodeLanguage::yaml);
    ASSERT_TRUE(grammar);
    auto parser = SyntaxParser::make(grammar->language);
    ASSERT_TRUE(parser);
    auto tree = parser->parse(text);
    ASSERT_TRUE(tree);
    EXPECT_FALSE(tree->hasError());
    EXPECT_TRUE(tree->problems(0, 500).empty());
}
