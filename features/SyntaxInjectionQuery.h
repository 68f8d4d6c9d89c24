#pragma once

#include "core/Result.h"
#include "features/SyntaxLanguage.h"
#include "features/SyntaxQuery.h"
#include "features/SyntaxRange.h"
#include "features/SyntaxTree.h"

#include <tree_sitter/api.h>
#include <unicode/uversion.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

U_NAMESPACE_BEGIN
class RegexPattern;
U_NAMESPACE_END

namespace EditorFeatures {

// One region of a host text written in an embedded language.
struct SyntaxInjection
{
    SyntaxRange range;
    // As found, trimmed of blanks and tabs and lower-cased (UTF-8).
    std::string language;
    // Parsed as one tree together with every other combined region of the language.
    bool combined = false;

    bool operator==(const SyntaxInjection&) const = default;
};

std::ostream& operator<<(std::ostream&, const SyntaxInjection&);

// A compiled injections query with what its patterns say ahead of time: the content and
// language captures, each pattern's fixed language, combined flag and text filters.
// Immutable once made: several sessions search with it at once, each with its own cursor.
class SyntaxInjectionQuery
{
public:
    struct Capture
    {
        std::uint32_t index = 0;
        bool operator==(const Capture&) const = default;
    };
    // One word of a predicate as the runtime reports it; the first is its name without "#".
    using Word = std::variant<std::string, Capture>;

    // Text compared with a node's text: a fixed string or another capture's node text.
    using FilterValue = std::variant<std::u16string, Capture>;
    struct EqualFilter
    {
        std::uint32_t capture = 0;
        FilterValue value;
        bool negated = false;
    };
    struct AnyOfFilter
    {
        std::uint32_t capture = 0;
        std::set<std::u16string> strings;
        bool negated = false;
    };
    struct MatchFilter
    {
        std::uint32_t capture = 0;
        std::shared_ptr<const icu::RegexPattern> expression;
        bool negated = false;
    };
    using Filter = std::variant<EqualFilter, AnyOfFilter, MatchFilter>;

    // A source that does not compile fails with the runtime's error offset.
    [[nodiscard]] static EditorCore::Result<std::shared_ptr<const SyntaxInjectionQuery>,
                                            SyntaxQuery::Failure>
    make(const SyntaxLanguage& language, std::string_view source);

    ~SyntaxInjectionQuery();
    SyntaxInjectionQuery(const SyntaxInjectionQuery&) = delete;
    SyntaxInjectionQuery& operator=(const SyntaxInjectionQuery&) = delete;

    // The filter of one predicate ("eq?", "any-of?", "match?" and their "not-" forms), or
    // none for every other or malformed predicate and for an expression that does not compile.
    static std::optional<Filter> parsePredicate(const std::vector<Word>& words);

    // The embedded regions of a tree whose matches meet from..to (UTF-16 offsets), in the order
    // the runtime reports the matches. `text` is the host text the tree was parsed from.
    std::vector<SyntaxInjection> injections(const SyntaxTree& tree,
                                            std::int64_t from,
                                            std::int64_t to,
                                            std::u16string_view text) const;

    const TSQuery* raw() const { return m_raw; }
    std::optional<std::uint32_t> contentCapture() const { return m_contentCapture; }
    std::optional<std::uint32_t> languageCapture() const { return m_languageCapture; }
    // Per pattern.
    const std::vector<std::optional<std::string>>& fixedLanguage() const { return m_fixedLanguage; }
    const std::vector<std::vector<Filter>>& filters() const { return m_filters; }
    const std::vector<bool>& combined() const { return m_combined; }

private:
    explicit SyntaxInjectionQuery(TSQuery* raw);

    TSQuery* m_raw;
    std::optional<std::uint32_t> m_contentCapture;
    std::optional<std::uint32_t> m_languageCapture;
    std::vector<std::optional<std::string>> m_fixedLanguage;
    std::vector<std::vector<Filter>> m_filters;
    std::vector<bool> m_combined;
};

} // namespace EditorFeatures
