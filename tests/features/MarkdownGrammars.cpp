#include "tests/features/MarkdownGrammars.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

extern "C" {
const TSLanguage* tree_sitter_markdown(void);
const TSLanguage* tree_sitter_markdown_inline(void);
}

namespace EditorFeatures::TestGrammars {
namespace {

[[noreturn]] void fail(const std::string& what)
{
    std::fprintf(stderr, "test grammars: %s\n", what.c_str());
    std::abort();
}

std::string readQuery(const std::string& grammarFolder, const char* name)
{
    auto path = std::string(OLV_TEST_MARKDOWN_DIR) + "/" + grammarFolder + "/queries/" + name;
    std::ifstream file(path, std::ios::binary);
    if (!file)
        fail("cannot read " + path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

SyntaxGrammar
build(const char* name, const TSLanguage* raw, const std::string& folder, bool injects)
{
    auto language = SyntaxLanguage::make(name, raw);
    if (!language)
        fail(std::string("unusable language ") + name);
    auto query = SyntaxQuery::make(*language, readQuery(folder, "highlights.scm"));
    if (!query)
        fail(std::string("highlights of ") + name + " do not compile");
    SyntaxGrammar grammar{*language, *query, nullptr};
    if (injects) {
        auto injections =
            SyntaxInjectionQuery::make(*language, readQuery(folder, "injections.scm"));
        if (!injections)
            fail(std::string("injections of ") + name + " do not compile");
        grammar.injections = *injections;
    }
    return grammar;
}

} // namespace

const SyntaxGrammar& markdown()
{
    static const SyntaxGrammar grammar =
        build("markdown", tree_sitter_markdown(), "tree-sitter-markdown", true);
    return grammar;
}

const SyntaxGrammar& markdownInline()
{
    static const SyntaxGrammar grammar = build(
        "markdown_inline", tree_sitter_markdown_inline(), "tree-sitter-markdown-inline", false);
    return grammar;
}

const SyntaxGrammar& json()
{
    static const SyntaxGrammar grammar = [] {
        auto built = SyntaxGrammars::grammar(CodeLanguage::json);
        if (!built)
            fail("no built-in JSON grammar");
        return *built;
    }();
    return grammar;
}

} // namespace EditorFeatures::TestGrammars
