#pragma once

#include "core/Result.h"
#include "features/InstalledGrammar.h"
#include "features/SyntaxGrammars.h"

#include <filesystem>
#include <ostream>
#include <string>
#include <variant>

namespace EditorFeatures::SyntaxGrammars {

// Why an installed grammar library did not load.
struct LoadFailure
{
    // The dynamic loader refused the library; `text` is its error text.
    struct Refused
    {
        std::string text;
        bool operator==(const Refused&) const = default;
    };
    // The library does not export the record's symbol.
    struct MissingSymbol
    {
        bool operator==(const MissingSymbol&) const = default;
    };
    // The entry function gave no language, or one outside ABI versions 13...15.
    struct Incompatible
    {
        bool operator==(const Incompatible&) const = default;
    };
    // "highlights.scm" is unreadable as UTF-8 or does not compile.
    struct BadQuery
    {
        bool operator==(const BadQuery&) const = default;
    };

    std::variant<Refused, MissingSymbol, Incompatible, BadQuery> value;

    static LoadFailure refused(std::string text) { return {Refused{std::move(text)}}; }
    static LoadFailure missingSymbol() { return {MissingSymbol{}}; }
    static LoadFailure incompatible() { return {Incompatible{}}; }
    static LoadFailure badQuery() { return {BadQuery{}}; }

    bool operator==(const LoadFailure&) const = default;
};

std::ostream& operator<<(std::ostream&, const LoadFailure&);

// Loads an installed grammar library from its version folder: the library named by the
// record's `dylib`, its `symbol`, "highlights.scm" and, when it compiles, "injections.scm".
// A library once opened stays loaded for the life of the process. Blocking; call it off the
// main thread. The grammar's name is the record's `name`.
[[nodiscard]] EditorCore::Result<SyntaxGrammar, LoadFailure>
load(const InstalledGrammar&, const std::filesystem::path& directory);

} // namespace EditorFeatures::SyntaxGrammars
