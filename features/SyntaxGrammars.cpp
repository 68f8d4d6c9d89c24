#include "features/SyntaxGrammars.h"

#include "features/EmbeddedQueries.h"

#include <mutex>

extern "C" {
const TSLanguage* tree_sitter_json(void);
const TSLanguage* tree_sitter_yaml(void);
}

namespace EditorFeatures::SyntaxGrammars {
namespace {

const TSLanguage* builtinLanguage(CodeLanguage language)
{
    switch (language) {
    case CodeLanguage::json:
        return tree_sitter_json();
    case CodeLanguage::yaml:
        return tree_sitter_yaml();
    default:
        return nullptr;
    }
}

// The registry is meant for the main thread; the lock only keeps a stray caller from
// corrupting it.
std::mutex registryMutex;
std::map<CodeLanguage, SyntaxGrammar>& registry()
{
    static std::map<CodeLanguage, SyntaxGrammar> grammars;
    return grammars;
}

} // namespace

bool isBuiltin(CodeLanguage language)
{
    return language == CodeLanguage::json || language == CodeLanguage::yaml;
}

const std::set<CodeLanguage>& downloadableLanguages()
{
    static const std::set<CodeLanguage> languages = [] {
        std::set<CodeLanguage> result;
        for (auto language : allCodeLanguages) {
            if (!isBuiltin(language) && language != CodeLanguage::plainText
                && language != CodeLanguage::log)
                result.insert(language);
        }
        return result;
    }();
    return languages;
}

const std::map<std::string, int, std::less<>>& minimumRevisions()
{
    static const std::map<std::string, int, std::less<>> revisions = {
        {"html", 2},
        {"markdown", 2},
        {"php", 2},
    };
    return revisions;
}

int minimumRevision(std::string_view grammarName)
{
    const auto& revisions = minimumRevisions();
    auto found = revisions.find(grammarName);
    return found == revisions.end() ? 1 : found->second;
}

const std::map<std::string, std::vector<std::string>, std::less<>>& companions()
{
    static const std::map<std::string, std::vector<std::string>, std::less<>> table = {
        {"markdown", {"markdown_inline"}},
    };
    return table;
}

std::optional<std::string_view> resourceQuery(std::string_view name, CodeLanguage language)
{
    auto identifier = rawValue(language);
    for (const auto& query : embeddedQueries()) {
        if (query.language == identifier && query.name == name)
            return query.text;
    }
    return std::nullopt;
}

std::optional<SyntaxGrammar> builtin(CodeLanguage codeLanguage)
{
    auto language =
        SyntaxLanguage::make(std::string(rawValue(codeLanguage)), builtinLanguage(codeLanguage));
    if (!language)
        return std::nullopt;
    auto highlights = resourceQuery("highlights", codeLanguage);
    if (!highlights)
        return std::nullopt;
    std::string source(*highlights);
    if (auto viewer = resourceQuery("viewer", codeLanguage)) {
        source += '\n';
        source += *viewer;
    }
    auto query = SyntaxQuery::make(*language, source);
    if (!query)
        return std::nullopt;
    return SyntaxGrammar{std::move(*language), std::move(*query), nullptr};
}

std::optional<SyntaxGrammar> grammar(CodeLanguage language)
{
    std::lock_guard lock(registryMutex);
    auto& grammars = registry();
    if (auto found = grammars.find(language); found != grammars.end())
        return found->second;
    auto built = builtin(language);
    if (built)
        grammars.emplace(language, *built);
    return built;
}

} // namespace EditorFeatures::SyntaxGrammars
