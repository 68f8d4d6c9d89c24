#include "core/SearchPrefilter.h"

#include "core/SearchScanner.h"

#include <unicode/uchar.h>
#include <unicode/uniset.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <map>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace EditorCore {
namespace {

constexpr std::size_t maxStrays = 16;
constexpr std::size_t maxNeedleLetters = 64;

std::int64_t plus(std::int64_t a, std::int64_t b)
{
    return (a == SearchPrefilter::unbounded || b == SearchPrefilter::unbounded)
               ? SearchPrefilter::unbounded
               : a + b;
}

std::u32string fullFolding(char32_t c)
{
    UChar source[2];
    int32_t length = 0;
    U16_APPEND_UNSAFE(source, length, c);
    UChar folded[8];
    UErrorCode status = U_ZERO_ERROR;
    int32_t foldedLength = u_strFoldCase(folded, 8, source, length, U_FOLD_CASE_DEFAULT, &status);
    std::u32string out;
    if (U_FAILURE(status))
        return out;
    for (int32_t i = 0; i < foldedLength;) {
        UChar32 cp;
        U16_NEXT(folded, i, foldedLength, cp);
        out.push_back(static_cast<char32_t>(cp));
    }
    return out;
}

// The engine compares caseless letters by simple or by full case folding. For each folded
// character: the other characters that fold to it alone; and every character whose full
// folding takes several characters.
struct FoldTables
{
    std::map<char32_t, std::vector<char32_t>> foldingTo;
    std::vector<std::pair<char32_t, std::u32string>> expanding;

    FoldTables()
    {
        UErrorCode status = U_ZERO_ERROR;
        icu::UnicodeSet changing;
        changing.applyIntPropertyValue(UCHAR_CHANGES_WHEN_CASEFOLDED, 1, status);
        if (U_FAILURE(status))
            return;
        for (int32_t r = 0; r < changing.getRangeCount(); ++r) {
            for (UChar32 c = changing.getRangeStart(r); c <= changing.getRangeEnd(r); ++c) {
                const auto cp = static_cast<char32_t>(c);
                std::u32string full = fullFolding(cp);
                const auto simple = static_cast<char32_t>(u_foldCase(c, U_FOLD_CASE_DEFAULT));
                if (simple != cp)
                    foldingTo[simple].push_back(cp);
                if (full.size() == 1 && full[0] != simple)
                    foldingTo[full[0]].push_back(cp);
                if (full.size() > 1)
                    expanding.emplace_back(cp, std::move(full));
            }
        }
    }

    static const FoldTables& shared()
    {
        static const FoldTables tables;
        return tables;
    }
};

// The places one pattern letter takes in a needle, and the stray units it brings; false when
// the letter cannot be part of a needle.
bool letterPlaces(const PatternLetter& letter,
                  std::vector<SearchPrefilter::UnitSet>& places,
                  std::vector<char16_t>& strays)
{
    auto exactUnits = [&](char32_t c) {
        char16_t units[2];
        int32_t length = 0;
        U16_APPEND_UNSAFE(units, length, c);
        for (int32_t i = 0; i < length; ++i) {
            SearchPrefilter::UnitSet set;
            set.units[0] = units[i];
            set.count = 1;
            places.push_back(set);
        }
    };
    const char32_t c = letter.codePoint;
    if (!letter.caseless || U16_IS_SURROGATE(c)) {
        exactUnits(c);
        return true;
    }
    const std::u32string full = fullFolding(c);
    const auto simple =
        static_cast<char32_t>(u_foldCase(static_cast<UChar32>(c), U_FOLD_CASE_DEFAULT));
    if (full.size() != 1 || full[0] != simple)
        return false;
    const char32_t folded = simple;
    const FoldTables& tables = FoldTables::shared();

    std::vector<char32_t> members{folded};
    if (auto it = tables.foldingTo.find(folded); it != tables.foldingTo.end()) {
        for (char32_t m : it->second) {
            if (std::find(members.begin(), members.end(), m) == members.end())
                members.push_back(m);
        }
    }
    std::vector<char16_t> extra;
    for (const auto& [expander, folding] : tables.expanding) {
        if (folding.find(folded) == std::u32string::npos)
            continue;
        if (expander > 0xFFFF)
            return false;
        extra.push_back(static_cast<char16_t>(expander));
    }
    if (members.size() == 1) {
        exactUnits(folded);
    } else {
        if (members.size() > 4)
            return false;
        SearchPrefilter::UnitSet set;
        for (char32_t m : members) {
            if (m > 0xFFFF)
                return false;
            set.units[set.count++] = static_cast<char16_t>(m);
        }
        places.push_back(set);
    }
    strays.insert(strays.end(), extra.begin(), extra.end());
    return true;
}

std::int64_t letterWeight(const PatternLetter& letter)
{
    const char32_t c = letter.codePoint;
    if (c == u' ' || c == u'\t')
        return 1;
    if (c >= u'0' && c <= u'9')
        return 2;
    if ((c >= u'a' && c <= u'z') || (letter.caseless && c >= u'A' && c <= u'Z'))
        return 3;
    return 4;
}

struct Stretch
{
    std::size_t begin = 0;
    std::size_t end = 0;
    std::int64_t weight = 0;
};

// The heaviest run of letters that can all be part of a needle.
Stretch bestStretch(std::span<const PatternLetter> letters)
{
    Stretch best;
    Stretch current;
    std::vector<SearchPrefilter::UnitSet> places;
    std::vector<char16_t> strays;
    for (std::size_t i = 0; i < letters.size(); ++i) {
        // A longer needle hardly picks fewer places; a long query is not read to its end.
        if (current.end - current.begin >= maxNeedleLetters)
            break;
        places.clear();
        strays.clear();
        if (!letterPlaces(letters[i], places, strays)) {
            current = Stretch{i + 1, i + 1, 0};
            continue;
        }
        current.end = i + 1;
        current.weight += letterWeight(letters[i]);
        if (current.weight > best.weight)
            best = current;
    }
    return best;
}

#if defined(__SSE2__)
// Membership of eight units at once in a UnitSet: a letter and its other case by one masked
// compare, the rest one compare each.
struct WideSet
{
    __m128i orMask;
    __m128i value;
    __m128i extras[4];
    int extraCount = 0;

    explicit WideSet(const SearchPrefilter::UnitSet& set)
    {
        char16_t first = set.units[0];
        int from = 1;
        bool pair = false;
        if (set.count >= 2) {
            char16_t a = set.units[0], b = set.units[1];
            pair = (a ^ b) == 0x20 && ((a | 0x20) >= u'a' && (a | 0x20) <= u'z');
        }
        if (pair) {
            orMask = _mm_set1_epi16(0x20);
            value = _mm_set1_epi16(static_cast<short>(first | 0x20));
            from = 2;
        } else {
            orMask = _mm_setzero_si128();
            value = _mm_set1_epi16(static_cast<short>(first));
        }
        for (int i = from; i < set.count; ++i)
            extras[extraCount++] = _mm_set1_epi16(static_cast<short>(set.units[i]));
    }

    __m128i matches(__m128i v) const
    {
        __m128i hit = _mm_cmpeq_epi16(_mm_or_si128(v, orMask), value);
        for (int i = 0; i < extraCount; ++i)
            hit = _mm_or_si128(hit, _mm_cmpeq_epi16(v, extras[i]));
        return hit;
    }
};
#endif

} // namespace

std::int64_t SearchPrefilter::literalScore(std::span<const PatternLetter> letters)
{
    return std::min<std::int64_t>(bestStretch(letters).weight, 64);
}

std::optional<SearchPrefilter> SearchPrefilter::make(const SearchRequirement& requirement)
{
    SearchPrefilter out;
    out.m_maxLength = requirement.maxLength;
    out.m_staysWithinLines = !requirement.holdsLineBreak;
    out.m_backReach = 0;
    for (const auto& alternative : requirement.alternatives) {
        const Stretch stretch = bestStretch(alternative.letters);
        if (stretch.weight == 0)
            return std::nullopt;
        std::int64_t lead = alternative.lead;
        for (std::size_t i = 0; i < stretch.begin; ++i) {
            const auto& letter = alternative.letters[i];
            lead = plus(lead, letter.caseless ? 6 : U16_LENGTH(letter.codePoint));
        }
        Needle needle;
        for (std::size_t i = stretch.begin; i < stretch.end; ++i)
            (void)letterPlaces(alternative.letters[i], needle.places, out.m_strays);
        if (std::all_of(needle.places.begin(), needle.places.end(), [](const UnitSet& set) {
                return set.count == 1;
            })) {
            for (const auto& set : needle.places)
                needle.plain.push_back(set.units[0]);
        }
        // A stray may stand anywhere inside the occurrence, which is no longer than the needle.
        out.m_backReach =
            std::max(out.m_backReach, plus(lead, static_cast<std::int64_t>(needle.places.size())));
        if (std::find(out.m_needles.begin(), out.m_needles.end(), needle) == out.m_needles.end())
            out.m_needles.push_back(std::move(needle));
    }
    std::sort(out.m_strays.begin(), out.m_strays.end());
    out.m_strays.erase(std::unique(out.m_strays.begin(), out.m_strays.end()), out.m_strays.end());
    if (out.m_strays.size() > maxStrays)
        return std::nullopt;
    // Without a bound on where the needle lies, only a line start bounds where a match begins.
    if (out.m_backReach == unbounded && !out.m_staysWithinLines)
        return std::nullopt;
    return out;
}

std::int64_t SearchPrefilter::findNeedle(std::u16string_view text,
                                         std::int64_t from,
                                         std::int64_t to,
                                         const Needle& needle)
{
    const auto m = static_cast<std::int64_t>(needle.places.size());
    const auto size = static_cast<std::int64_t>(text.size());
    from = std::max<std::int64_t>(from, 0);
    if (m == 0)
        return -1;
    if (!needle.plain.empty())
        return findCodeUnits(text, from, std::min(size, to + m - 1), needle.plain);
    // The last place where an occurrence may begin.
    const std::int64_t last = std::min(to - 1, size - m);
    const char16_t* hay = text.data();
    auto verify = [&](std::int64_t at) {
        for (std::int64_t k = 0; k < m; ++k) {
            if (!needle.places[static_cast<std::size_t>(k)].contains(hay[at + k]))
                return false;
        }
        return true;
    };
    std::int64_t i = from;
#if defined(__SSE2__)
    const WideSet first(needle.places.front());
    const WideSet lastPlace(needle.places.back());
    for (; i + 7 <= last; i += 8) {
        __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(hay + i));
        __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(hay + i + m - 1));
        unsigned mask = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_and_si128(first.matches(a), lastPlace.matches(b))));
        while (mask != 0) {
            int bit = __builtin_ctz(mask);
            std::int64_t at = i + bit / 2;
            if (verify(at))
                return at;
            mask &= ~(3u << bit);
        }
    }
#endif
    for (; i <= last; ++i) {
        if (verify(i))
            return i;
    }
    return -1;
}

std::int64_t SearchPrefilter::findAnyUnit(std::u16string_view text,
                                          std::int64_t from,
                                          std::int64_t to,
                                          std::span<const char16_t> units)
{
    to = std::min<std::int64_t>(to, static_cast<std::int64_t>(text.size()));
    from = std::max<std::int64_t>(from, 0);
    if (units.empty())
        return -1;
    const char16_t* hay = text.data();
    std::int64_t i = from;
#if defined(__SSE2__)
    // Stray units are never ASCII, so a block of ASCII text is passed over in one test.
    const bool allHigh = units.front() >= 0x80;
    const __m128i highBits = _mm_set1_epi16(static_cast<short>(0xFF80));
    const __m128i zero = _mm_setzero_si128();
    __m128i wanted[maxStrays];
    const std::size_t count = std::min(units.size(), maxStrays);
    for (std::size_t k = 0; k < count; ++k)
        wanted[k] = _mm_set1_epi16(static_cast<short>(units[k]));
    if (count == units.size()) {
        for (; i + 8 <= to; i += 8) {
            __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(hay + i));
            if (allHigh
                && _mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(v, highBits), zero)) == 0xFFFF)
                continue;
            __m128i hit = _mm_cmpeq_epi16(v, wanted[0]);
            for (std::size_t k = 1; k < count; ++k)
                hit = _mm_or_si128(hit, _mm_cmpeq_epi16(v, wanted[k]));
            unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hit));
            if (mask != 0)
                return i + __builtin_ctz(mask) / 2;
        }
    }
#endif
    for (; i < to; ++i) {
        if (std::binary_search(units.begin(), units.end(), hay[i]))
            return i;
    }
    return -1;
}

} // namespace EditorCore
