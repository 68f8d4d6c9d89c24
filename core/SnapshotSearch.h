#pragma once

#include "core/ChunkedText.h"
#include "core/SearchScanner.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace EditorCore {

// One compiled search bound to one snapshot, finding exactly what SearchScanner finds in the
// same text held in one string, matches across chunk borders included: a plain literal by a
// code-unit search over the chunks, everything else (case-insensitive and whole-word literals,
// expressions) by the engine reading the chunks through a UText, run only around the places
// the search's prefilter points at when it has one. Not shared between threads;
// each thread makes its own from a copy of the snapshot. Ranges are clamped; inside a range its
// ends act as the text's ends. A query holding a surrogate without its partner is matched by
// the engine differently through a UText than in one buffer; for such a query the range is
// read into one string first.
class SnapshotScanner
{
public:
    using Outcome = SearchScanner::Outcome;

    SnapshotScanner(const CompiledSearch& search, TextSnapshot snapshot);
    ~SnapshotScanner();
    SnapshotScanner(const SnapshotScanner&) = delete;
    SnapshotScanner& operator=(const SnapshotScanner&) = delete;

    // As SearchScanner::enumerate; stop (may be null) is asked every 1024 positions the engine
    // crosses and after every 65536 units of a literal search.
    Outcome enumerate(std::int64_t location,
                      std::int64_t length,
                      bool includeZeroLength,
                      const MatchVisitor& visitor,
                      const StopCheck* stop = nullptr);

    // Zero-length matches count.
    bool contains(std::int64_t location, std::int64_t length);

    // As SearchScanner::matchAnchored: the match that starts exactly at location inside
    // [location, location + length), with its groups, seeing the text of the context around it.
    bool matchAnchored(std::int64_t location,
                       std::int64_t length,
                       std::vector<std::optional<SearchMatch>>& groups,
                       std::optional<std::pair<std::int64_t, std::int64_t>> context = std::nullopt);

    // During a visit of a search that is not a plain literal: the groups of the match at hand.
    void currentGroups(std::vector<std::optional<SearchMatch>>& groups);

    bool usesPlainLiteral() const { return m_literal != nullptr; }
    bool usesPrefilter() const { return m_prefilter != nullptr; }

private:
    Outcome enumerateLiteral(std::int64_t start,
                             std::int64_t end,
                             const MatchVisitor& visitor,
                             const StopCheck* stop);
    // The matcher reading [location, location + length) of the snapshot; null when the engine
    // cannot make one.
    icu::RegexMatcher* select(std::int64_t location, std::int64_t length);
    Outcome enumeratePrefiltered(std::int64_t location,
                                 std::int64_t length,
                                 const MatchVisitor& visitor,
                                 const StopCheck* stop);

    const CompiledSearch& m_search;
    TextSnapshot m_snapshot;
    const std::u16string* m_literal = nullptr;
    bool m_readsCopy = false;
    const SearchPrefilter* m_prefilter = nullptr;
    std::vector<PrefilterCursor> m_cursors;
    // Kept between runs: the stretch of the range the prefilter looks at, copied out of the
    // chunks, and a one-byte chunk widened.
    std::u16string m_window;
    std::u16string m_pieceBuffer;
    std::int64_t m_base = 0;
    UText* m_utext = nullptr;
    std::unique_ptr<icu::RegexMatcher> m_matcher;
    // While a search that reads a copy visits its matches: the scanner of the copy, and where
    // the copy starts.
    SearchScanner* m_copyScanner = nullptr;
    std::int64_t m_copyBase = 0;
};

} // namespace EditorCore
