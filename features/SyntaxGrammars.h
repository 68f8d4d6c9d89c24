#pragma once

#include "features/CodeLanguage.h"
#include "features/SyntaxInjectionQuery.h"
#include "features/SyntaxLanguage.h"
#include "features/SyntaxQuery.h"

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace EditorFeatures {

// Everything needed to colour one language.
struct SyntaxGrammar
{
    // Its name is the grammar's name: the language identifier for a built-in grammar.
    SyntaxLanguage language;
    // The highlight query; never null.
    std::shared_ptr<const SyntaxQuery> query;
    // Finds embedded languages; null when the grammar has none.
    std::shared_ptr<const SyntaxInjectionQuery> injections;
};

namespace SyntaxGrammars {

// JSON and YAML, compiled into the program.
bool isBuiltin(CodeLanguage);

// Every language but the built-in ones, plain text and logs: 24 languages.
const std::set<CodeLanguage>& downloadableLanguages();

// By grammar name; a name not listed needs revision 1.
const std::map<std::string, int, std::less<>>& minimumRevisions();
int minimumRevision(std::string_view grammarName);

// By grammar name: the grammars an installed grammar needs beside it ("markdown" needs
// "markdown_inline").
const std::map<std::string, std::vector<std::string>, std::less<>>& companions();

// The built-in grammar of a language, built on first use and kept for the life of the process;
// none for every language that is not built in. Loaded (downloaded) grammars are not kept here.
std::optional<SyntaxGrammar> grammar(CodeLanguage);

// Builds a built-in grammar without the registry: the "highlights" query resource followed by
// the "viewer" one when there is one. None when not built in or a query does not compile.
std::optional<SyntaxGrammar> builtin(CodeLanguage);

// The text of the query resource "<name>.scm" of a language (UTF-8); none when absent.
std::optional<std::string_view> resourceQuery(std::string_view name, CodeLanguage);

} // namespace SyntaxGrammars

} // namespace EditorFeatures
