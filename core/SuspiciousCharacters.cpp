#include "core/SuspiciousCharacters.h"

#include "core/UnicodeScalars.h"

#include <unicode/uchar.h>
#include <unicode/utf16.h>

#include <algorithm>

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

SuspiciousReport
scan(std::u16string_view text, std::size_t from, std::size_t to, std::int64_t limit)
{
    to = std::min(to, text.size());
    from = std::min(from, to);
    // Between the halves of a pair: the pair is counted with the range before.
    if (from > 0 && from < to && U16_IS_TRAIL(text[from]) && U16_IS_LEAD(text[from - 1]))
        ++from;
    SuspiciousReport report;
    const std::size_t cap = limit > 0 ? static_cast<std::size_t>(limit) : 0;
    std::array<std::int64_t, allSuspiciousKinds.size()> counts{};
    forEachScalar(text,
                  from,
                  to,
                  [&](UnicodeScalars::Scalar scalar,
                      std::size_t offset,
                      std::optional<char32_t> previous,
                      std::size_t nextOffset) {
                      // Printable ASCII is never suspicious; most text is nothing else.
                      if (scalar.value >= 0x20 && scalar.value <= 0x7E)
                          return;
                      std::optional<char32_t> next;
                      if (nextOffset < text.size())
                          next = UnicodeScalars::at(text, nextOffset).value;
                      const auto found = kind(scalar.value, previous, next, offset == 0);
                      if (!found)
                          return;
                      ++counts[static_cast<std::size_t>(*found)];
                      if (report.occurrences.size() < cap)
                          report.occurrences.push_back(
                              SuspiciousOccurrence{*found,
                                                   static_cast<std::int64_t>(offset),
                                                   static_cast<std::int64_t>(scalar.length)});
                  });
    for (SuspiciousKind each : allSuspiciousKinds) {
        if (const auto count = counts[static_cast<std::size_t>(each)]; count > 0)
            report.counts[each] = count;
    }
    return report;
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
