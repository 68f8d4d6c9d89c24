#pragma once

#include "core/ChunkedText.h"
#include "core/CompiledSearch.h"
#include "core/SearchScanner.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

U_NAMESPACE_BEGIN
class RegexMatcher;
U_NAMESPACE_END

struct UText;

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
    struct Cursor
    {
        std::int64_t hit = -1;
        std::int64_t scannedTo = 0;
    };
    enum class Step { found, none, stopped };
    Step nextPrefiltered(std::int64_t& from, std::int64_t end, SearchMatch& match, void* progress);
    std::int64_t nextHit(std::int64_t from, std::int64_t end, void* progress, bool& stopped);
    // Units of the selected range, by offsets relative to it.
    char16_t unitAt(std::int64_t offset) const { return m_snapshot.at(m_base + offset); }
    std::int64_t lineStartBefore(std::int64_t hit, std::int64_t from);
    std::int64_t lineEndFrom(std::int64_t hit, std::int64_t end);

    const CompiledSearch& m_search;
    TextSnapshot m_snapshot;
    const std::u16string* m_literal = nullptr;
    bool m_readsCopy = false;
    const SearchPrefilter* m_prefilter = nullptr;
    std::vector<Cursor> m_cursors;
    // The stretch of the range the prefilter looks at, copied out of the chunks.
    std::u16string m_window;
    std::u16string m_pieceBuffer;
    std::int64_t m_base = 0;
    UText* m_utext = nullptr;
    std::unique_ptr<icu::RegexMatcher> m_matcher;
};

} // namespace EditorCore
