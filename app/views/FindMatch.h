#pragma once

#include "app/views/TextRange.h"
#include "core/CompiledSearch.h"

#include <cstdint>
#include <deque>
#include <limits>
#include <optional>

namespace EditorViews {

// One find match as a tab keeps it: two 32-bit offsets, half of the engine's `SearchMatch`, so
// that ten million matches of a frequent pattern hold 80 MB rather than 160. A text held in
// memory stays far below 4 G UTF-16 units (the edit record speaks 32-bit offsets already);
// a match that would end past `limit` has no compact form, and the search lists only what
// comes before it.
struct FindMatch
{
    std::uint32_t location = 0;
    std::uint32_t length = 0;

    // The last offset a compact match may reach (its end included).
    static constexpr std::int64_t limit = std::numeric_limits<std::uint32_t>::max();

    // None for a range that is negative or ends past `limit`.
    static constexpr std::optional<FindMatch> from(std::int64_t location, std::int64_t length)
    {
        if (location < 0 || length < 0 || location > limit || length > limit - location)
            return std::nullopt;
        return FindMatch{static_cast<std::uint32_t>(location), static_cast<std::uint32_t>(length)};
    }
    static constexpr std::optional<FindMatch> from(const EditorCore::SearchMatch& match)
    {
        return from(match.location, match.length);
    }

    constexpr std::int64_t end() const { return std::int64_t{location} + length; }
    constexpr TextRange range() const { return TextRange{location, length}; }

    bool operator==(const FindMatch&) const = default;
};

static_assert(sizeof(FindMatch) == 8);

// A tab's list of find matches: a deque, so that appending a batch never moves the millions
// already there (a vector's growth copies them all on the interface thread) and nothing is
// shrunk at the end; its blocks cost a fraction of a byte per match.
using FindMatches = std::deque<FindMatch>;

} // namespace EditorViews
