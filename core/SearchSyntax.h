#pragma once

#include "core/CompiledSearch.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

// Pattern and template text of the regular-expression engine (ICU syntax).
namespace EditorCore::SearchSyntax {

// The pattern that matches text literally. Every ASCII punctuation character is quoted with a
// backslash (ICU takes a backslash before any of them as "this character"); everything else
// stands for itself. \Q...\E is not used: it cannot hold a literal \E.
std::u16string escapedPattern(std::u16string_view text);

// "\b(?:" pattern ")\b"
std::u16string wholeWordPattern(std::u16string_view pattern);

// Expands a replacement template for one match. groups[0] is the whole match, groups[n] the
// n-th capture group (absent when it took no part). Rules:
// - "\" makes the next character literal (a trailing "\" stays as it is);
// - "$" followed by digits refers to a group: the first digit always, further digits only
//   while the number stays a group number of the pattern ("$12" with one group is group 1
//   followed by "2"); a group that does not exist or took no part expands to nothing;
// - "$" not followed by a digit, "${...}" included, is literal.
std::u16string expandTemplate(std::u16string_view replacementTemplate,
                              std::u16string_view text,
                              std::span<const std::optional<SearchMatch>> groups);

} // namespace EditorCore::SearchSyntax
