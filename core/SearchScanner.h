#pragma once

#include "core/CompiledSearch.h"
#include "core/SearchPrefilter.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

U_NAMESPACE_BEGIN
class RegexMatcher;
U_NAMESPACE_END

struct UText;

namespace EditorCore {

// Where the scanners' prefilter walk last found one of its needles (-1: none so far), and how
// far it has seen nothing of it.
struct PrefilterCursor
{
    std::int64_t hit = -1;
    std::int64_t scannedTo = 0;
};

// One compiled search bound to one text: the engine's matcher (made on first use and reused
// across ranges, so per-line matching does not allocate) or, for a plain literal, a direct
// code-unit search that yields the same matches. When the search has a prefilter, the engine
// runs only around the places it reports, with the same matches in the same order; the
// engine-only path is there to check that. Not shared between threads. Ranges are
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
    // stretches without a match (every 1024 positions on the engine's and the prefilter's
    // paths, every 65536 on the literal path); when it answers true the enumeration ends at
    // once. Asking at each match is the visitor's business.
    Outcome enumerate(std::int64_t location,
                      std::int64_t length,
                      bool includeZeroLength,
                      const MatchVisitor& visitor,
                      const StopCheck* stop = nullptr);

    // Zero-length matches count.
    bool contains(std::int64_t location, std::int64_t length);

    // The match that starts exactly at location inside [location, location + length), with its
    // groups (index 0: the whole match; absent: the group took no part). The match sees the text
    // of [contextStart, contextEnd) around the range, as the enumeration that found it saw it
    // (look-around, \b and \B), and those ends act as the text's ends; without a context the
    // range is the whole text.
    bool matchAnchored(std::int64_t location,
                       std::int64_t length,
                       std::vector<std::optional<SearchMatch>>& groups,
                       std::optional<std::pair<std::int64_t, std::int64_t>> context = std::nullopt);

    // During a visit on the engine's path: the groups of the match at hand, as matchAnchored.
    void currentGroups(std::vector<std::optional<SearchMatch>>& groups);

    // For a search whose matches never hold a line break (staysWithinLines()): visits the first
    // match at or after location, then the first at or after the position the visitor returns,
    // which must be a line start past the match (or negative to end the visit). The matches are
    // those of enumerate over the same range that begin there.
    Outcome enumerateByLines(std::int64_t location,
                             std::int64_t length,
                             const std::function<std::int64_t(const SearchMatch&)>& visitor,
                             const StopCheck* stop = nullptr);

    bool usesPlainLiteral() const { return m_literal != nullptr; }
    // Whether the engine runs only where the search's prefilter points.
    bool usesPrefilter() const { return m_prefilter != nullptr; }
    // No match can hold a line break.
    bool staysWithinLines() const;

private:
    Outcome enumeratePrefiltered(std::int64_t location,
                                 std::int64_t length,
                                 const std::function<std::int64_t(const SearchMatch&)>& visitor,
                                 const StopCheck* stop);

    icu::RegexMatcher* select(std::int64_t location, std::int64_t length);
    void clamp(std::int64_t& location, std::int64_t& length) const;
    Outcome enumerateLiteral(std::int64_t start,
                             std::int64_t end,
                             const MatchVisitor& visitor,
                             const StopCheck* stop);

    const CompiledSearch& m_search;
    std::u16string_view m_text;
    const std::u16string* m_literal = nullptr;
    const SearchPrefilter* m_prefilter = nullptr;
    std::vector<PrefilterCursor> m_cursors;
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
