#include "core/SnapshotSearch.h"

#include "core/SnapshotUText.h"

#include <unicode/regex.h>
#include <unicode/utext.h>
#include <unicode/utf16.h>

#include <algorithm>

namespace EditorCore {
namespace {

constexpr std::int64_t progressInterval = 1024;
constexpr std::int64_t literalStretch = 1 << 16;

struct ProgressContext
{
    const StopCheck* stop = nullptr;
    std::int64_t nextQuestion = progressInterval;
    bool stopped = false;
};

UBool U_CALLCONV onFindProgress(const void* context, int64_t position)
{
    auto* progress = static_cast<ProgressContext*>(const_cast<void*>(context));
    if (position < progress->nextQuestion)
        return true;
    progress->nextQuestion = position + progressInterval;
    if ((*progress->stop)()) {
        progress->stopped = true;
        return false;
    }
    return true;
}

void clampRange(std::int64_t size, std::int64_t& location, std::int64_t& length)
{
    const std::int64_t start = std::clamp<std::int64_t>(location, 0, size);
    const std::int64_t end =
        std::clamp<std::int64_t>(location + std::max<std::int64_t>(length, 0), start, size);
    location = start;
    length = end - start;
}

// A surrogate without its partner in the query: the engine compares such a unit with the
// halves of a pair in a text held in one buffer, but not in a text read through a UText, which
// it reads by code points.
bool holdsLoneSurrogate(std::u16string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (U16_IS_LEAD(text[i]) && i + 1 < text.size() && U16_IS_TRAIL(text[i + 1]))
            ++i;
        else if (U16_IS_SURROGATE(text[i]))
            return true;
    }
    return false;
}

} // namespace

SnapshotScanner::SnapshotScanner(const CompiledSearch& search, TextSnapshot snapshot)
    : m_search(search)
    , m_snapshot(std::move(snapshot))
    , m_literal(search.plainLiteral())
    , m_readsCopy(!m_literal && holdsLoneSurrogate(search.query().text))
{}

SnapshotScanner::~SnapshotScanner()
{
    m_matcher.reset();
    if (m_utext)
        utext_close(m_utext);
}

SnapshotScanner::Outcome SnapshotScanner::enumerate(std::int64_t location,
                                                    std::int64_t length,
                                                    bool includeZeroLength,
                                                    const MatchVisitor& visitor,
                                                    const StopCheck* stop)
{
    clampRange(m_snapshot.length(), location, length);
    if (m_literal)
        return enumerateLiteral(location, location + length, visitor, stop);
    if (m_readsCopy) {
        const std::u16string copy = m_snapshot.text(location, length);
        SearchScanner scanner(m_search, copy);
        return scanner.enumerate(
            0,
            length,
            includeZeroLength,
            [&](const SearchMatch& match) {
                return visitor(SearchMatch{location + match.location, match.length});
            },
            stop);
    }

    UErrorCode status = U_ZERO_ERROR;
    if (!m_matcher) {
        m_matcher.reset(m_search.expression().matcher(status));
        if (U_FAILURE(status) || !m_matcher) {
            m_matcher.reset();
            return Outcome::ranOut;
        }
    }
    // A text of the range alone, so look-behind and word boundaries see nothing past its ends.
    UText* text = openSnapshotUText(m_utext, m_snapshot, location, length, &status);
    if (U_FAILURE(status) || !text)
        return Outcome::ranOut;
    m_utext = text;
    icu::RegexMatcher& m = *m_matcher;
    m.reset(m_utext);
    ProgressContext progress{stop};
    if (stop)
        m.setFindProgressCallback(onFindProgress, &progress, status);
    Outcome outcome = Outcome::ranOut;
    while (U_SUCCESS(status) && m.find(status)) {
        const std::int64_t start = m.start64(status);
        const std::int64_t end = m.end64(status);
        if (U_FAILURE(status) || start < 0)
            continue;
        if (end == start && !includeZeroLength)
            continue;
        if (!visitor(SearchMatch{location + start, end - start})) {
            outcome = Outcome::visitorStopped;
            break;
        }
    }
    if (progress.stopped)
        outcome = Outcome::stopped;
    if (stop) {
        UErrorCode ignored = U_ZERO_ERROR;
        m.setFindProgressCallback(nullptr, nullptr, ignored);
    }
    return outcome;
}

bool SnapshotScanner::contains(std::int64_t location, std::int64_t length)
{
    bool found = false;
    (void)enumerate(location, length, true, [&](const SearchMatch&) {
        found = true;
        return false;
    });
    return found;
}

// Matches are looked for inside each chunk directly; those that straddle a border are looked
// for in a small joint of the last needle-length-minus-one units before the chunk and its first
// units. Matches do not overlap: the next one begins at or after the end of the last.
SnapshotScanner::Outcome SnapshotScanner::enumerateLiteral(std::int64_t start,
                                                           std::int64_t end,
                                                           const MatchVisitor& visitor,
                                                           const StopCheck* stop)
{
    const std::u16string_view needle = *m_literal;
    const auto m = static_cast<std::int64_t>(needle.size());
    if (end - start < m)
        return Outcome::ranOut;
    const auto carry = static_cast<std::size_t>(m - 1);
    std::u16string tail;
    std::u16string joint;
    std::int64_t tailStart = start;
    std::int64_t nextAllowed = start;
    std::int64_t sinceQuestion = 0;
    Outcome outcome = Outcome::ranOut;
    m_snapshot.visit(start, end - start, [&](std::u16string_view piece) {
        const std::int64_t pieceStart = tailStart + static_cast<std::int64_t>(tail.size());
        if (!tail.empty()) {
            joint.assign(tail);
            joint.append(piece.substr(0, std::min(piece.size(), carry)));
            std::int64_t from = std::max<std::int64_t>(0, nextAllowed - tailStart);
            for (;;) {
                const std::int64_t found = findCodeUnits(
                    joint, from, static_cast<std::int64_t>(joint.size()), needle);
                // Matches that begin inside the piece are found there.
                if (found < 0 || found >= static_cast<std::int64_t>(tail.size()))
                    break;
                if (!visitor(SearchMatch{tailStart + found, m})) {
                    outcome = Outcome::visitorStopped;
                    return false;
                }
                nextAllowed = tailStart + found + m;
                from = found + m;
            }
        }
        std::int64_t from = std::max<std::int64_t>(0, nextAllowed - pieceStart);
        const auto pieceLength = static_cast<std::int64_t>(piece.size());
        for (;;) {
            const std::int64_t found = findCodeUnits(piece, from, pieceLength, needle);
            if (found < 0)
                break;
            if (!visitor(SearchMatch{pieceStart + found, m})) {
                outcome = Outcome::visitorStopped;
                return false;
            }
            nextAllowed = pieceStart + found + m;
            from = found + m;
        }
        sinceQuestion += pieceLength;
        if (stop && sinceQuestion >= literalStretch) {
            sinceQuestion = 0;
            if ((*stop)()) {
                outcome = Outcome::stopped;
                return false;
            }
        }
        if (piece.size() >= carry) {
            tail.assign(piece.substr(piece.size() - carry));
        } else {
            tail.append(piece);
            if (tail.size() > carry)
                tail.erase(0, tail.size() - carry);
        }
        tailStart = pieceStart + pieceLength - static_cast<std::int64_t>(tail.size());
        return true;
    });
    return outcome;
}

} // namespace EditorCore
