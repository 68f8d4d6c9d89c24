#pragma once

#include "core/Result.h"

#include <unicode/uversion.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <variant>

U_NAMESPACE_BEGIN
class RegexPattern;
U_NAMESPACE_END

namespace EditorCore {

class SearchPrefilter;

// A half-open range of UTF-16 offsets [lowerBound, upperBound).
struct SearchScope
{
    std::int64_t lowerBound = 0;
    std::int64_t upperBound = 0;
    bool operator==(const SearchScope&) const = default;
};

struct SearchQuery
{
    std::u16string text;
    bool caseSensitive = false;
    bool wholeWord = false;
    bool regularExpression = false;
    // Where collectMatches, nextMatch and replaceAll look; absent: the whole text.
    std::optional<SearchScope> scope;
    bool operator==(const SearchQuery&) const = default;
};

// UTF-16 location and length.
struct SearchMatch
{
    std::int64_t location = 0;
    std::int64_t length = 0;
    bool operator==(const SearchMatch&) const = default;
};

struct SearchError
{
    // The refused pattern as it was compiled (whole-word wrapping included).
    struct InvalidPattern
    {
        std::u16string message;
        bool operator==(const InvalidPattern&) const = default;
    };
    struct EmptyQuery
    {
        bool operator==(const EmptyQuery&) const = default;
    };

    std::variant<InvalidPattern, EmptyQuery> value;

    static SearchError invalidPattern(std::u16string message)
    {
        return {InvalidPattern{std::move(message)}};
    }
    static SearchError emptyQuery() { return {EmptyQuery{}}; }
    bool isEmptyQuery() const { return std::holds_alternative<EmptyQuery>(value); }
    // nullptr unless the case is invalidPattern.
    const std::u16string* invalidPatternMessage() const
    {
        auto* p = std::get_if<InvalidPattern>(&value);
        return p ? &p->message : nullptr;
    }
    bool operator==(const SearchError&) const = default;
};

// Asked while a long search runs; true means give up. It is called from inside the engine's
// scan as well as between matches, so it must be cheap and lock-free: a load of an atomic flag.
using StopCheck = std::function<bool()>;
// Receives each match; false stops the enumeration.
using MatchVisitor = std::function<bool(const SearchMatch&)>;
using MatchBatchReceiver = std::function<void(std::span<const SearchMatch>)>;

enum class SearchDirection { forwards, backwards };

struct ReplaceAllResult
{
    std::u16string text;
    std::int64_t count = 0;
};

// A query compiled once; copies share the immutable compiled expression, so one value may be
// used from several threads at once (each call makes its own matcher).
class CompiledSearch
{
public:
    [[nodiscard]] static Result<CompiledSearch, SearchError> make(SearchQuery query);

    const SearchQuery& query() const { return m_query; }
    // The pattern handed to the engine: escaped in literal mode, wrapped for whole words.
    const std::u16string& pattern() const { return m_pattern; }

    // Visits the matches inside [location, location + length) of text; the range's ends act as
    // the text's ends. Zero-length matches are skipped unless includeZeroLength.
    void enumerateMatches(std::u16string_view text,
                          std::int64_t location,
                          std::int64_t length,
                          bool includeZeroLength,
                          const MatchVisitor& visitor) const;

    // Zero-length matches count.
    bool containsMatch(std::u16string_view text, std::int64_t location, std::int64_t length) const;

    // Every match of length at least 1 inside the scope, in batches of batchSize (1 when
    // batchSize < 1). Returns false when stop ended the search early.
    bool collectMatches(std::u16string_view text,
                        std::int64_t batchSize,
                        const StopCheck& stop,
                        const MatchBatchReceiver& receiver) const;

    // The next (or previous) match of length at least 1 from position, wrapping round the scope.
    std::optional<SearchMatch>
    nextMatch(std::u16string_view text, std::int64_t position, SearchDirection direction) const;

    // What replaces the match at [location, location + length). Never fails: a template
    // reference to a missing group expands to nothing.
    std::u16string replacementText(std::int64_t location,
                                   std::int64_t length,
                                   std::u16string_view text,
                                   std::u16string_view replacement) const;

    ReplaceAllResult replaceAll(std::u16string_view text, std::u16string_view replacement) const;

    // Internal to the text engine (the scanner and the line filter).
    const icu::RegexPattern& expression() const { return *m_expression; }
    // The needle of a literal, case-sensitive, non-whole-word query that a plain code-unit
    // search finds exactly as the engine does; nullptr otherwise.
    const std::u16string* plainLiteral() const { return m_plainLiteral ? &m_query.text : nullptr; }
    // What every match must contain, when that could be read from the pattern; nullptr otherwise
    // (and for a plain literal).
    const SearchPrefilter* prefilter() const { return m_prefilter.get(); }

private:
    CompiledSearch() = default;

    std::shared_ptr<const icu::RegexPattern> m_expression;
    std::shared_ptr<const SearchPrefilter> m_prefilter;
    SearchQuery m_query;
    std::u16string m_pattern;
    bool m_plainLiteral = false;
};

std::ostream& operator<<(std::ostream&, const SearchMatch&);
std::ostream& operator<<(std::ostream&, const SearchError&);

} // namespace EditorCore
