#pragma once

#include "core/SearchRequirement.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace EditorCore {

// Picks the places of a text where a match can be, far faster than the engine can: every match
// holds an occurrence of one of the needles or one of the stray units. It may point at places
// without a match (the engine decides), never miss one. Immutable; shared between threads.
class SearchPrefilter
{
public:
    static constexpr std::int64_t unbounded = SearchRequirement::unbounded;

    // The code units that may stand at one place of a needle.
    struct UnitSet
    {
        std::array<char16_t, 4> units{};
        std::uint8_t count = 0;
        bool contains(char16_t unit) const
        {
            for (std::uint8_t i = 0; i < count; ++i) {
                if (units[i] == unit)
                    return true;
            }
            return false;
        }
        bool operator==(const UnitSet&) const = default;
    };

    struct Needle
    {
        std::vector<UnitSet> places;
        // Filled when every place holds one unit: the plain code-unit search applies.
        std::u16string plain;
        bool operator==(const Needle&) const = default;
    };

    // Absent when the requirement gives nothing a scan can use: a caseless letter whose
    // folding takes several characters (ß, ﬁ, İ) is left out of a needle, and a literal made
    // only of such letters gives none.
    static std::optional<SearchPrefilter> make(const SearchRequirement& requirement);

    // How well letters serve as a needle: the weight of their best usable stretch, 0 if none.
    static std::int64_t literalScore(std::span<const PatternLetter> letters);

    const std::vector<Needle>& needles() const { return m_needles; }
    // Sorted: units of characters whose case folding takes several characters, one of which a
    // caseless needle letter folds to. Any of them may stand for part of an occurrence.
    const std::vector<char16_t>& strays() const { return m_strays; }
    // The most units between a match's start and a place this prefilter reports inside it.
    std::int64_t backReach() const { return m_backReach; }
    std::int64_t maxLength() const { return m_maxLength; }
    // No match consumes a line-break unit.
    bool staysWithinLines() const { return m_staysWithinLines; }

    // The first place in [from, to) where the needle begins and fits before limit, or -1.
    static std::int64_t
    findNeedle(std::u16string_view text, std::int64_t from, std::int64_t to, const Needle& needle);
    // The first place in [from, to) holding one of units (sorted), or -1.
    static std::int64_t findAnyUnit(std::u16string_view text,
                                    std::int64_t from,
                                    std::int64_t to,
                                    std::span<const char16_t> units);

    bool operator==(const SearchPrefilter&) const = default;

private:
    std::vector<Needle> m_needles;
    std::vector<char16_t> m_strays;
    std::int64_t m_backReach = 0;
    std::int64_t m_maxLength = unbounded;
    bool m_staysWithinLines = false;
};

} // namespace EditorCore
