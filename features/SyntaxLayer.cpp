#include "features/SyntaxLayer.h"

#include <algorithm>
#include <array>
#include <utility>

namespace EditorFeatures {
namespace {

struct Alias
{
    std::string_view alias;
    CodeLanguage language;
};

// How fenced blocks and other embedders commonly name languages that go by another identifier.
constexpr std::array<Alias, 35> aliasTable = {{
    {"js", CodeLanguage::javascript},
    {"jsx", CodeLanguage::javascript},
    {"node", CodeLanguage::javascript},
    {"mjs", CodeLanguage::javascript},
    {"cjs", CodeLanguage::javascript},
    {"ts", CodeLanguage::typescript},
    {"sh", CodeLanguage::shell},
    {"shell", CodeLanguage::shell},
    {"zsh", CodeLanguage::shell},
    {"console", CodeLanguage::shell},
    {"shellscript", CodeLanguage::shell},
    {"py", CodeLanguage::python},
    {"python3", CodeLanguage::python},
    {"yml", CodeLanguage::yaml},
    {"md", CodeLanguage::markdown},
    {"htm", CodeLanguage::html},
    {"rb", CodeLanguage::ruby},
    {"rs", CodeLanguage::rust},
    {"kt", CodeLanguage::kotlin},
    {"kts", CodeLanguage::kotlin},
    {"c++", CodeLanguage::cpp},
    {"cc", CodeLanguage::cpp},
    {"hpp", CodeLanguage::cpp},
    {"h", CodeLanguage::c},
    {"golang", CodeLanguage::go},
    {"docker", CodeLanguage::dockerfile},
    {"makefile", CodeLanguage::make},
    {"jsonc", CodeLanguage::json},
    {"json5", CodeLanguage::json},
    {"plist", CodeLanguage::xml},
    {"svg", CodeLanguage::xml},
    {"env", CodeLanguage::dotenv},
    {"text", CodeLanguage::plainText},
    {"txt", CodeLanguage::plainText},
    {"plaintext", CodeLanguage::plainText},
}};

// The query has lower-cased the text already (fully); this only guards callers that did not.
std::string lowerCased(std::string_view text)
{
    std::string result(text);
    for (auto& c : result) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return result;
}

bool isMarkdownName(std::string_view name)
{
    return name == "markdown_inline";
}

} // namespace

SyntaxRange SyntaxLayer::Piece::span() const
{
    return {ranges.front().start, ranges.back().end};
}

std::vector<SyntaxSpan>
SyntaxLayer::Piece::spans(const SyntaxQuery& query, std::int64_t from, std::int64_t to) const
{
    auto found = query.spans(
        *tree, std::max<std::int64_t>(from - offset, 0), std::max<std::int64_t>(to - offset, 0));
    if (offset != 0) {
        for (auto& span : found) {
            span.range.start += offset;
            span.range.end += offset;
        }
    }
    return found;
}

std::vector<const SyntaxLayer::Piece*> SyntaxLayer::pieces() const
{
    std::vector<const Piece*> result;
    if (combined)
        result.push_back(&*combined);
    for (const auto& single : singles)
        result.push_back(&single);
    return result;
}

std::vector<const SyntaxLayer::Piece*> SyntaxLayer::piecesOverlapping(std::int64_t from,
                                                                      std::int64_t to) const
{
    std::vector<const Piece*> result;
    if (combined && from != to) {
        bool meets = std::any_of(
            combined->ranges.begin(), combined->ranges.end(), [&](const SyntaxRange& range) {
                return !range.isEmpty() && range.start < to && range.end > from;
            });
        if (meets)
            result.push_back(&*combined);
    }
    // Singles are ascending and apart, so their ends ascend too.
    auto first = std::partition_point(singles.begin(), singles.end(), [&](const Piece& piece) {
        return piece.ranges.back().end <= from;
    });
    for (auto single = first; single != singles.end() && single->ranges.front().start < to;
         ++single)
        result.push_back(&*single);
    return result;
}

std::vector<SyntaxSpan> SyntaxLayer::spans(std::int64_t from, std::int64_t to) const
{
    std::vector<SyntaxSpan> result;
    for (const auto* piece : piecesOverlapping(from, to)) {
        auto found = piece->spans(*grammar.query, from, to);
        result.insert(result.end(), found.begin(), found.end());
    }
    return result;
}

bool SyntaxLayer::isMarkdownInline() const
{
    return isMarkdownName(grammar.language.name());
}

std::optional<CodeLanguage> codeLanguageFromInjectionName(std::string_view text)
{
    auto name = lowerCased(text);
    if (auto language = codeLanguageFromRawValue(name))
        return language;
    for (const auto& entry : aliasTable) {
        if (entry.alias == name)
            return entry.language;
    }
    return std::nullopt;
}

std::string canonicalInjectionName(std::string_view text)
{
    if (auto language = codeLanguageFromInjectionName(text))
        return std::string(rawValue(*language));
    return lowerCased(text);
}

std::vector<SyntaxRange> mergeRanges(std::vector<SyntaxRange> ranges)
{
    std::stable_sort(ranges.begin(), ranges.end(), [](const SyntaxRange& a, const SyntaxRange& b) {
        return a.start < b.start;
    });
    std::vector<SyntaxRange> result;
    for (const auto& range : ranges) {
        if (!result.empty() && range.start < result.back().end)
            result.back().end = std::max(result.back().end, range.end);
        else
            result.push_back(range);
    }
    return result;
}

void SyntaxInjectionState::replaceGrammars(
    std::map<std::string, SyntaxGrammar, std::less<>> newGrammars)
{
    grammars = std::move(newGrammars);
    std::erase_if(parsers, [&](const auto& entry) {
        auto grammar = grammars.find(entry.first);
        return grammar == grammars.end()
               || grammar->second.language.name() != entry.second.language().name();
    });
    std::erase_if(pieceCache, [&](const auto& entry) { return !parsers.contains(entry.first); });
}

SyntaxLayers parseLayers(const SyntaxGrammar& host,
                         const SyntaxTree& tree,
                         std::u16string_view units,
                         SyntaxInjectionState& state)
{
    SyntaxLayers result;
    if (!host.injections)
        return result;
    auto injections =
        host.injections->injections(tree, 0, static_cast<std::int64_t>(units.size()), units);

    // Grouped by name; the map keeps the names in ascending order.
    std::map<std::string, std::vector<const SyntaxInjection*>> groups;
    for (const auto& injection : injections)
        groups[canonicalInjectionName(injection.language)].push_back(&injection);

    for (const auto& [name, group] : groups) {
        auto grammar = state.grammars.find(name);
        if (grammar == state.grammars.end()) {
            result.missing.insert(name);
            continue;
        }
        auto parser = state.parsers.find(name);
        if (parser == state.parsers.end()) {
            auto made = SyntaxParser::make(grammar->second.language);
            if (!made)
                continue;
            parser = state.parsers.emplace(name, std::move(*made)).first;
        }

        std::vector<SyntaxRange> combinedRanges;
        std::vector<SyntaxRange> singleRanges;
        for (const auto* injection : group)
            (injection->combined ? combinedRanges : singleRanges).push_back(injection->range);

        SyntaxLayer layer{grammar->second, std::nullopt, {}};
        combinedRanges = mergeRanges(std::move(combinedRanges));
        if (!combinedRanges.empty()) {
            if (auto combinedTree = parser->second.parse(units, combinedRanges)) {
                layer.combined =
                    SyntaxLayer::Piece{combinedRanges,
                                       std::make_shared<const SyntaxTree>(std::move(*combinedTree)),
                                       0};
            }
        }

        auto& cached = state.pieceCache[name];
        std::map<std::u16string, std::shared_ptr<const SyntaxTree>> kept;
        for (const auto& range : mergeRanges(std::move(singleRanges))) {
            std::u16string key(units.substr(static_cast<std::size_t>(range.start),
                                            static_cast<std::size_t>(range.end - range.start)));
            std::shared_ptr<const SyntaxTree> pieceTree;
            if (auto old = cached.find(key); old != cached.end())
                pieceTree = old->second;
            else if (auto fresh = kept.find(key); fresh != kept.end())
                pieceTree = fresh->second;
            else if (auto parsed = parser->second.parse(key))
                pieceTree = std::make_shared<const SyntaxTree>(std::move(*parsed));
            if (!pieceTree)
                continue;
            kept.emplace(std::move(key), pieceTree);
            layer.singles.push_back({{range}, std::move(pieceTree), range.start});
        }
        cached = std::move(kept);

        if (layer.combined || !layer.singles.empty())
            result.layers.push_back(std::move(layer));
    }
    return result;
}

} // namespace EditorFeatures
