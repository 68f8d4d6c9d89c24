#pragma once

#include "features/CodeLanguage.h"
#include "features/SyntaxGrammars.h"
#include "features/SyntaxParser.h"
#include "features/SyntaxRange.h"
#include "features/SyntaxSpan.h"
#include "features/SyntaxTree.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace EditorFeatures {

// The parse of one embedded language in one host parse. Its trees are never edited after they
// are made, so the session and the receiver of a parse both read them.
struct SyntaxLayer
{
    struct Piece
    {
        // Host offsets, ascending and non-overlapping; never empty. A single piece has one.
        std::vector<SyntaxRange> ranges;
        std::shared_ptr<const SyntaxTree> tree;
        // The host offset that offset 0 of the tree stands for: 0 for a combined piece (parsed
        // over the whole host text with only its ranges included), the region's start for a
        // single piece (parsed from the region's text alone).
        std::int64_t offset = 0;

        // From the first range's start to the last range's end.
        SyntaxRange span() const;
        // The spans of the tree between from and to (host offsets, from <= to), in host offsets.
        std::vector<SyntaxSpan>
        spans(const SyntaxQuery& query, std::int64_t from, std::int64_t to) const;
    };

    SyntaxGrammar grammar;
    // All the regions the injections query marks as combined, parsed as one tree.
    std::optional<Piece> combined;
    // One per other region, in ascending order of position.
    std::vector<Piece> singles;

    // The combined piece (when there is one), then the singles.
    std::vector<const Piece*> pieces() const;
    // The pieces that can hold something of the host range from..to (from <= to), in the
    // order of pieces().
    std::vector<const Piece*> piecesOverlapping(std::int64_t from, std::int64_t to) const;
    // The spans of the layer's highlight query over piecesOverlapping(from, to), in that order.
    std::vector<SyntaxSpan> spans(std::int64_t from, std::int64_t to) const;
    // The inline text of a Markdown document: the host's colours show beneath it.
    bool isMarkdownInline() const;
};

// The language an injection's language text names: a language identifier ("bash"), or one of
// the common aliases ("js", "c++", "yml", "plaintext", ...). None for any other text.
std::optional<CodeLanguage> codeLanguageFromInjectionName(std::string_view text);

// The name an embedded language goes by in the session's grammar dictionary and in the missing
// set: the identifier of the language it names, else the lower-cased text ("markdown_inline").
std::string canonicalInjectionName(std::string_view text);

// Sorted by start (stable); a range that starts before the previous one ends is merged into
// it. Ranges that only touch stay apart.
std::vector<SyntaxRange> mergeRanges(std::vector<SyntaxRange> ranges);

// What the injection layers of one session keep from one parse to the next. Used only on the
// session's queue.
struct SyntaxInjectionState
{
    // Grammars for embedded languages, by canonical name.
    std::map<std::string, SyntaxGrammar, std::less<>> grammars;
    // One parser per embedded language, made on first need.
    std::map<std::string, SyntaxParser, std::less<>> parsers;
    // Per embedded language, the trees of the regions parsed one by one in the last parse,
    // keyed by the exact text of the region. Identical regions share one tree.
    std::map<std::string, std::map<std::u16string, std::shared_ptr<const SyntaxTree>>, std::less<>>
        pieceCache;

    // Keeps a parser only while a grammar of the same language stays under its name, and the
    // cached trees only of the names that keep their parser.
    void replaceGrammars(std::map<std::string, SyntaxGrammar, std::less<>> newGrammars);
};

struct SyntaxLayers
{
    // In ascending order of language name.
    std::vector<SyntaxLayer> layers;
    // Embedded languages found in the text for which no grammar is at hand.
    std::set<std::string> missing;
};

// Runs the host grammar's injections query over a new host tree of `units` and parses what it
// finds: one layer per embedded language with a grammar. One level deep: the injections of the
// embedded grammars are not run.
SyntaxLayers parseLayers(const SyntaxGrammar& host,
                         const SyntaxTree& tree,
                         std::u16string_view units,
                         SyntaxInjectionState& state);

} // namespace EditorFeatures
