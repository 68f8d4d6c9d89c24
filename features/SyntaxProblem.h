#pragma once

#include "features/SyntaxRange.h"

#include <optional>
#include <ostream>
#include <string>
#include <variant>

namespace EditorFeatures {

// A syntax error found in a parse tree.
struct SyntaxProblem
{
    // The parser inserted a node the text lacks. token is the literal text of a missing
    // anonymous token (";", "}"), none for a missing named node.
    struct Missing
    {
        std::optional<std::string> token;
        bool operator==(const Missing&) const = default;
    };
    // An ERROR node: text the grammar could not place.
    struct Unexpected
    {
        bool operator==(const Unexpected&) const = default;
    };
    using Kind = std::variant<Missing, Unexpected>;

    SyntaxRange range;
    Kind kind;

    bool operator==(const SyntaxProblem&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const SyntaxProblem& problem)
{
    out << problem.range << " ";
    if (const auto* missing = std::get_if<SyntaxProblem::Missing>(&problem.kind))
        return out << "missing " << (missing->token ? "\"" + *missing->token + "\"" : "(named)");
    return out << "unexpected";
}

} // namespace EditorFeatures
