#include "core/SuspiciousCharacters.h"

#include "core/UnicodeScalars.h"

#include <unicode/uchar.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <bitset>
#include <memory>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace EditorCore {

namespace {

struct KindRow
{
    SuspiciousKind kind;
    std::string_view rawValue;
};

constexpr std::array<KindRow, 8> kindTable = {{
    {SuspiciousKind::noBreakSpace, "noBreakSpace"},
    {SuspiciousKind::zeroWidth, "zeroWidth"},
    {SuspiciousKind::specialSpace, "specialSpace"},
    {SuspiciousKind::bidiControl, "bidiControl"},
    {SuspiciousKind::controlCharacter, "controlCharacter"},
    {SuspiciousKind::lineSeparator, "lineSeparator"},
    {SuspiciousKind::softHyphen, "softHyphen"},
    {SuspiciousKind::replacementCharacter, "replacementCharacter"},
}};

constexpr char32_t zeroWidthJoiner = 0x200D;

// The digits, "#", "*", U+00A9 and U+00AE carry the Emoji property too; they do not make a
// joiner between them part of an emoji sequence.
bool isEmojiLike(char32_t scalar)
{
    const auto c = static_cast<UChar32>(scalar);
    return scalar == 0xFE0F || u_hasBinaryProperty(c, UCHAR_EMOJI_MODIFIER)
           || (scalar >= 0x100 && u_hasBinaryProperty(c, UCHAR_EMOJI));
}

// Walks the scalars of a text that start in [from, to) with their neighbours, as the scan and
// the replacement see them. `from` is the start of a scalar.
template<class Visit>
void forEachScalar(std::u16string_view text, std::size_t from, std::size_t to, Visit&& visit)
{
    std::optional<char32_t> previous;
    if (from > 0)
        previous = UnicodeScalars::before(text, from).value;
    for (std::size_t offset = from; offset < to;) {
        const auto scalar = UnicodeScalars::at(text, offset);
        const std::size_t nextOffset = offset + scalar.length;
        visit(scalar, offset, previous, nextOffset);
        previous = scalar.value;
        offset = nextOffset;
    }
}

// Units that are never suspicious whatever their neighbours, and that a walk may step over
// without looking: every unit outside the surrogates whose kind is none, except the two whose
// kind depends on where they stand (the joiner between emoji, U+FEFF at the start).
class PlainUnits
{
public:
    PlainUnits()
    {
        for (char32_t unit = 0; unit < 0x10000; ++unit) {
            if (U16_IS_SURROGATE(unit) || unit == zeroWidthJoiner || unit == 0xFEFF)
                continue;
            if (!SuspiciousCharacters::kind(unit, std::nullopt, std::nullopt, false))
                m_plain.set(unit);
        }
    }
    bool contains(char16_t unit) const { return m_plain.test(unit); }

private:
    std::bitset<0x10000> m_plain;
};

const PlainUnits& plainUnits()
{
    static const PlainUnits units;
    return units;
}

// The first offset in [from, to) whose unit is not printable ASCII, tab, LF or CR; `to` when
// there is none.
std::size_t skipPlainASCII(const char16_t* text, std::size_t from, std::size_t to)
{
    std::size_t i = from;
#if defined(__SSE2__)
    // Unsigned (unit - 0x20) < 0x5F, with SSE2's signed compares: both sides moved by 0x8000.
    const __m128i base = _mm_set1_epi16(0x20);
    const __m128i flip = _mm_set1_epi16(static_cast<short>(0x8000));
    const __m128i bound = _mm_set1_epi16(static_cast<short>(0x8000 + 0x5F));
    const __m128i tab = _mm_set1_epi16(0x09);
    const __m128i lineFeed = _mm_set1_epi16(0x0A);
    const __m128i carriageReturn = _mm_set1_epi16(0x0D);
    auto plainMask = [&](__m128i block) {
        const __m128i printable =
            _mm_cmplt_epi16(_mm_xor_si128(_mm_sub_epi16(block, base), flip), bound);
        const __m128i breaks = _mm_or_si128(
            _mm_cmpeq_epi16(block, lineFeed),
            _mm_or_si128(_mm_cmpeq_epi16(block, tab), _mm_cmpeq_epi16(block, carriageReturn)));
        return static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(printable, breaks)));
    };
    while (to - i >= 16) {
        const auto* p = reinterpret_cast<const __m128i*>(text + i);
        const unsigned mask =
            plainMask(_mm_loadu_si128(p)) | (plainMask(_mm_loadu_si128(p + 1)) << 16);
        if (mask != 0xFFFFFFFFu)
            return i + static_cast<std::size_t>(__builtin_ctz(~mask)) / 2;
        i += 16;
    }
    while (to - i >= 8) {
        const unsigned mask =
            plainMask(_mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i)));
        if (mask != 0xFFFFu)
            return i + static_cast<std::size_t>(__builtin_ctz(~mask & 0xFFFFu)) / 2;
        i += 8;
    }
#endif
    for (; i < to; ++i) {
        const char16_t unit = text[i];
        if (!((unit >= 0x20 && unit <= 0x7E) || unit == 0x09 || unit == 0x0A || unit == 0x0D))
            return i;
    }
    return to;
}

// The first offset in [from, to) whose unit is not plain (see PlainUnits); `to` when there is
// none. Runs of ASCII go many units at a time, other plain runs (most letters of most
// scripts) one unit at a time through the table.
std::size_t skipPlain(const char16_t* text, std::size_t from, std::size_t to)
{
    const PlainUnits& plain = plainUnits();
    std::size_t i = from;
    while (i < to) {
        i = skipPlainASCII(text, i, to);
        const std::size_t runStart = i;
        while (i < to && plain.contains(text[i]))
            ++i;
        if (i == runStart)
            break;
    }
    return i;
}

} // namespace

std::string_view rawValue(SuspiciousKind kind)
{
    return kindTable[static_cast<std::size_t>(kind)].rawValue;
}

std::optional<SuspiciousKind> suspiciousKindFromRawValue(std::string_view raw)
{
    for (const auto& row : kindTable) {
        if (row.rawValue == raw)
            return row.kind;
    }
    return std::nullopt;
}

std::ostream& operator<<(std::ostream& out, SuspiciousKind kind)
{
    return out << rawValue(kind);
}

std::optional<std::u16string_view> replacement(SuspiciousKind kind, LineEnding lineEnding)
{
    switch (kind) {
    case SuspiciousKind::noBreakSpace:
    case SuspiciousKind::specialSpace:
        return u" ";
    case SuspiciousKind::zeroWidth:
    case SuspiciousKind::bidiControl:
    case SuspiciousKind::controlCharacter:
    case SuspiciousKind::softHyphen:
        return u"";
    case SuspiciousKind::lineSeparator:
        return characters(lineEnding);
    case SuspiciousKind::replacementCharacter:
        return std::nullopt;
    }
    return std::nullopt;
}

std::ostream& operator<<(std::ostream& out, const SuspiciousOccurrence& occurrence)
{
    return out << occurrence.kind << "@" << occurrence.location << "+" << occurrence.length;
}

std::int64_t SuspiciousReport::count(SuspiciousKind kind) const
{
    const auto found = counts.find(kind);
    return found == counts.end() ? 0 : found->second;
}

std::int64_t SuspiciousReport::total() const
{
    std::int64_t sum = 0;
    for (const auto& [kind, count] : counts)
        sum += count;
    return sum;
}

std::ostream& operator<<(std::ostream& out, const SuspiciousReport& report)
{
    out << "{";
    for (const auto& [kind, count] : report.counts)
        out << kind << ":" << count << " ";
    out << "[";
    for (const auto& occurrence : report.occurrences)
        out << occurrence << " ";
    return out << "]}";
}

namespace SuspiciousCharacters {

std::optional<SuspiciousKind>
kind(char32_t scalar, std::optional<char32_t> previous, std::optional<char32_t> next, bool atStart)
{
    if (scalar < 0x20) {
        if (scalar == 0x09 || scalar == 0x0A || scalar == 0x0D)
            return std::nullopt;
        return SuspiciousKind::controlCharacter;
    }
    if (scalar < 0x7F)
        return std::nullopt;
    if (scalar <= 0x9F)
        return scalar == 0x85 ? SuspiciousKind::lineSeparator : SuspiciousKind::controlCharacter;
    switch (scalar) {
    case 0x2028:
    case 0x2029:
        return SuspiciousKind::lineSeparator;
    case 0x00A0:
    case 0x2007:
    case 0x202F:
        return SuspiciousKind::noBreakSpace;
    case 0x00AD:
        return SuspiciousKind::softHyphen;
    case 0x1680:
    case 0x205F:
    case 0x3000:
        return SuspiciousKind::specialSpace;
    case 0x200B:
    case 0x200C:
    case 0x2060:
        return SuspiciousKind::zeroWidth;
    case zeroWidthJoiner:
        if (previous && next && isEmojiLike(*previous) && isEmojiLike(*next))
            return std::nullopt;
        return SuspiciousKind::zeroWidth;
    case 0xFEFF:
        return atStart ? std::nullopt : std::optional(SuspiciousKind::zeroWidth);
    case 0x061C: // Arabic letter mark
    case 0x200E:
    case 0x200F:
        return SuspiciousKind::bidiControl;
    // Default-ignorable characters that draw nothing: the grapheme joiner, the Hangul fillers
    // (used to fake blank names), the Khmer inherent vowels.
    case 0x034F:
    case 0x115F:
    case 0x1160:
    case 0x3164:
    case 0xFFA0:
    case 0x17B4:
    case 0x17B5:
    case 0xE0001: // language tag
        return SuspiciousKind::zeroWidth;
    case UnicodeScalars::replacementCharacter:
        return SuspiciousKind::replacementCharacter;
    default:
        break;
    }
    if (scalar >= 0x2000 && scalar <= 0x200A)
        return SuspiciousKind::specialSpace; // U+2007 is a no-break space, handled above
    if ((scalar >= 0x202A && scalar <= 0x202E) || (scalar >= 0x2066 && scalar <= 0x2069))
        return SuspiciousKind::bidiControl;
    // Mongolian free variation selectors and vowel separator, invisible operators, deprecated
    // format characters, tag characters. The variation selectors U+FE00-U+FE0F and
    // U+E0100-U+E01EF stay ordinary: emoji and ideograph sequences use them.
    if ((scalar >= 0x180B && scalar <= 0x180F) || (scalar >= 0x2061 && scalar <= 0x2064)
        || (scalar >= 0x206A && scalar <= 0x206F) || (scalar >= 0xE0020 && scalar <= 0xE007F))
        return SuspiciousKind::zeroWidth;
    return std::nullopt;
}

SuspiciousReport scan(std::u16string_view text, std::int64_t limit)
{
    return scan(text, 0, text.size(), limit);
}

namespace {

// Where the scan of [from, to) starts: between the halves of a pair, the pair is counted with
// the range before.
std::size_t scanStart(std::u16string_view text, std::size_t from, std::size_t to)
{
    if (from > 0 && from < to && U16_IS_TRAIL(text[from]) && U16_IS_LEAD(text[from - 1]))
        ++from;
    return from;
}

// Counts one scalar that is not plain into `counts` and `report`.
struct Tally
{
    SuspiciousReport report;
    std::array<std::int64_t, allSuspiciousKinds.size()> counts{};
    std::size_t cap = 0;

    void add(std::u16string_view text,
             UnicodeScalars::Scalar scalar,
             std::size_t offset,
             std::optional<char32_t> previous,
             std::size_t nextOffset)
    {
        std::optional<char32_t> next;
        if (nextOffset < text.size())
            next = UnicodeScalars::at(text, nextOffset).value;
        const auto found = SuspiciousCharacters::kind(scalar.value, previous, next, offset == 0);
        if (!found)
            return;
        ++counts[static_cast<std::size_t>(*found)];
        if (report.occurrences.size() < cap)
            report.occurrences.push_back(
                SuspiciousOccurrence{*found,
                                     static_cast<std::int64_t>(offset),
                                     static_cast<std::int64_t>(scalar.length)});
    }

    SuspiciousReport finish()
    {
        for (SuspiciousKind each : allSuspiciousKinds) {
            if (const auto count = counts[static_cast<std::size_t>(each)]; count > 0)
                report.counts[each] = count;
        }
        return std::move(report);
    }
};

} // namespace

SuspiciousReport
scan(std::u16string_view text, std::size_t from, std::size_t to, std::int64_t limit)
{
    to = std::min(to, text.size());
    from = scanStart(text, std::min(from, to), to);
    Tally tally;
    tally.cap = limit > 0 ? static_cast<std::size_t>(limit) : 0;
    std::optional<char32_t> previous;
    if (from > 0)
        previous = UnicodeScalars::before(text, from).value;
    for (std::size_t offset = from; offset < to;) {
        // Most text is runs of characters that are never suspicious and decide nothing about
        // their neighbours; the last of a run is all the next character needs to know.
        const std::size_t runEnd = skipPlain(text.data(), offset, to);
        if (runEnd > offset) {
            previous = text[runEnd - 1];
            offset = runEnd;
            if (offset == to)
                break;
        }
        const auto scalar = UnicodeScalars::at(text, offset);
        const std::size_t nextOffset = offset + scalar.length;
        tally.add(text, scalar, offset, previous, nextOffset);
        previous = scalar.value;
        offset = nextOffset;
    }
    return tally.finish();
}

SuspiciousReport
scanEachScalar(std::u16string_view text, std::size_t from, std::size_t to, std::int64_t limit)
{
    to = std::min(to, text.size());
    from = scanStart(text, std::min(from, to), to);
    Tally tally;
    tally.cap = limit > 0 ? static_cast<std::size_t>(limit) : 0;
    forEachScalar(
        text,
        from,
        to,
        [&](UnicodeScalars::Scalar scalar,
            std::size_t offset,
            std::optional<char32_t> previous,
            std::size_t nextOffset) { tally.add(text, scalar, offset, previous, nextOffset); });
    return tally.finish();
}

std::u16string
replaceAll(std::u16string_view text, const std::set<SuspiciousKind>& kinds, LineEnding lineEnding)
{
    if (kinds.empty())
        return std::u16string(text);
    std::u16string result;
    result.reserve(text.size());
    forEachScalar(text,
                  0,
                  text.size(),
                  [&](UnicodeScalars::Scalar scalar,
                      std::size_t offset,
                      std::optional<char32_t> previous,
                      std::size_t nextOffset) {
                      const auto source = text.substr(offset, scalar.length);
                      if (scalar.value >= 0x20 && scalar.value <= 0x7E) {
                          result.append(source);
                          return;
                      }
                      std::optional<char32_t> next;
                      if (nextOffset < text.size())
                          next = UnicodeScalars::at(text, nextOffset).value;
                      const auto found = kind(scalar.value, previous, next, offset == 0);
                      const auto replaced = found && kinds.contains(*found)
                                                ? replacement(*found, lineEnding)
                                                : std::nullopt;
                      // An unpaired surrogate is copied as it is, never turned into U+FFFD.
                      result.append(replaced ? *replaced : source);
                  });
    return result;
}

} // namespace SuspiciousCharacters

} // namespace EditorCore
