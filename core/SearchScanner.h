#pragma once

#include "core/CompiledSearch.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

U_NAMESPACE_BEGIN
class RegexMatcher;
U_NAMESPACE_END

struct UText;

namespace EditorCore {

// One compiled search bound to one text: the engine's matcher (made on first use and reused
// across ranges, so per-line matching does not allocate) or, for a plain literal, a direct
// code-unit search that yields the same matches. Not shared between threads. Ranges are
// clamped to the text; inside a range its ends act as the text's ends: anchors match there,
// and look-around and word boundaries see nothing beyond.
class SearchScanner
{
public:
    enum class Path { fastest, engineOnly };
    enum class Outcome { ranOut, visitorStopped, stopped };

    SearchScanner(const CompiledSearch& search,
                  std::u16string_view text,
                  Path path = Path::fastest);
    ~SearchScanner();
    SearchScanner(const SearchScanner&) = delete;
    SearchScanner& operator=(const SearchScanner&) = delete;

    // Visits matches in text order. stop (may be null) is asked while the scan crosses
    // stretches without a match (every 1024 positions on the engine's path, every 65536 on the
    // literal path); when it answers true the enumeration ends at once. Asking at each match
    // is the visitor's business.
    Outcome enumerate(std::int64_t location,
                      std::int64_t length,
                      bool includeZeroLength,
                      const MatchVisitor& visitor,
                      const StopCheck* stop = nullptr);

    // Zero-length matches count.
    bool contains(std::int64_t location, std::int64_t length);

    // The match that starts exactly at location inside [location, location + length), with its
    // groups (index 0: the whole match; absent: the group took no part).
    bool matchAnchored(std::int64_t location,
                       std::int64_t length,
                       std::vector<std::optional<SearchMatch>>& groups);

    // During a visit on the engine's path: the groups of the match at hand, as matchAnchored.
    void currentGroups(std::vector<std::optional<SearchMatch>>& groups);

    bool usesPlainLiteral() const { return m_literal != nullptr; }

private:
    icu::RegexMatcher* matcher();
    icu::RegexMatcher* select(std::int64_t location, std::int64_t length);
    void clamp(std::int64_t& location, std::int64_t& length) const;
    Outcome enumerateLiteral(std::int64_t start,
                             std::int64_t end,
                             const MatchVisitor& visitor,
                             const StopCheck* stop);

    const CompiledSearch& m_search;
    std::u16string_view m_text;
    const std::u16string* m_literal = nullptr;
    UText* m_utext = nullptr;
    std::int64_t m_base = 0;
    std::unique_ptr<icu::RegexMatcher> m_matcher;
};

// The first occurrence of needle (not empty) in text[from, to), or -1. Plain code-unit
// comparison; the caller makes sure that equals the engine's literal matching.
std::int64_t findCodeUnits(std::u16string_view text,
                           std::int64_t from,
                           std::int64_t to,
                           std::u16string_view needle);

} // namespace EditorCore
