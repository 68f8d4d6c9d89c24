#pragma once

#include <span>
#include <string_view>

namespace EditorFeatures {

// A query file compiled into the module (the build generates the table): the resource
// "Queries/<language>/<name>.scm" of a built-in grammar.
struct EmbeddedQuery
{
    std::string_view language;
    std::string_view name;
    std::string_view text;
};

std::span<const EmbeddedQuery> embeddedQueries();

} // namespace EditorFeatures
