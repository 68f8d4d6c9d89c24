#pragma once

#include "core/Result.h"

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace EditorCore::TextTidy {

// Why a tidy transform refused a text. Line and column are 1-based and relative to the text
// given to the transform, not to the document.
struct Failure
{
    enum class Reason {
        invalidJSON,     // the text is not JSON
        jsonHasComments, // collapsing would lose comments
        invalidXML,      // the text is not XML
    };

    std::optional<std::int64_t> line;
    std::optional<std::int64_t> column;
    Reason reason = Reason::invalidJSON;

    bool operator==(const Failure&) const = default;
};

std::ostream& operator<<(std::ostream&, Failure::Reason);
std::ostream& operator<<(std::ostream&, const Failure&);

// One token of JSON with comments.
struct Token
{
    enum class Kind { open, close, comma, colon, value, lineComment, blockComment };

    Kind kind = Kind::value;
    std::u16string text; // exactly as in the source
    // Comments only: another token precedes the comment on its source line.
    bool sameLine = false;

    bool operator==(const Token&) const = default;
};

// JSON, comments tolerated and kept. `indent` is one indent unit, `newline` the text of every
// line break written. A text with comments is not checked by the JSON parser.
[[nodiscard]] Result<std::u16string, Failure>
prettyJSON(std::u16string_view text, std::u16string_view indent, std::u16string_view newline);

// The JSON tokens written back to back; refuses a text with comments.
[[nodiscard]] Result<std::u16string, Failure> minify(std::u16string_view text);

// Well-formed XML laid out one element per line, four spaces per level, where an element holds
// only elements, comments and processing instructions. Everything else (declaration, quotes,
// character and entity references, CDATA sections, elements with text) is kept as written;
// line breaks inside kept text become `newline`.
[[nodiscard]] Result<std::u16string, Failure> prettyXML(std::u16string_view text,
                                                        std::u16string_view newline);

// Splits JSON with comments into tokens. Checks brackets (at most 512 open at once) and
// strings only; values are not examined. Exposed for the tidy commands' tests and fuzzing.
[[nodiscard]] Result<std::vector<Token>, Failure> tokenize(std::u16string_view text);

// Checks the text with the JSON parser; scalars at the top level are accepted. A fault's line
// counts LFs, its column grapheme clusters.
[[nodiscard]] Result<void, Failure> parseJSON(std::u16string_view text);

// Checks that the text is well-formed XML. Never touches the network, never loads a DTD or an
// external entity, never expands entities.
[[nodiscard]] Result<void, Failure> parseXML(std::u16string_view text);

// Line tidies. Each rewrites the whole lines of a text; every line break inside the text
// becomes one separator: CR LF when the text holds a CR LF, else CR when it holds a CR and no
// LF, else LF. A final line break is kept as one separator.

enum class Case { upper, lower, capitalized };

// Stable sort in the order of a file browser: case-insensitive, runs of digits by value, in
// the current locale. Descending is the ascending order reversed.
std::u16string sortLines(std::u16string_view text, bool descending);
// Drops every line canonically equivalent to an earlier one.
std::u16string removeDuplicateLines(std::u16string_view text);
// Drops the spaces and tabs at the end of every line; other white space stays.
std::u16string trimTrailingWhitespace(std::u16string_view text);
// Unicode case mappings without a locale; capitalized puts the first character of every word
// in title case and the rest in lower case, words being delimited by spaces, tabs and line
// breaks only ("hello-world" becomes "Hello-world").
std::u16string changeCase(std::u16string_view text, Case);

} // namespace EditorCore::TextTidy
