#pragma once

#include "core/LineEnding.h"

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace EditorCore {

// Characters that look like something else or take no room.
enum class SuspiciousKind {
    noBreakSpace,
    zeroWidth,
    specialSpace,
    bidiControl,
    controlCharacter,
    lineSeparator,
    softHyphen,
    replacementCharacter,
};

inline constexpr std::array<SuspiciousKind, 8> allSuspiciousKinds = {
    SuspiciousKind::noBreakSpace,
    SuspiciousKind::zeroWidth,
    SuspiciousKind::specialSpace,
    SuspiciousKind::bidiControl,
    SuspiciousKind::controlCharacter,
    SuspiciousKind::lineSeparator,
    SuspiciousKind::softHyphen,
    SuspiciousKind::replacementCharacter,
};

// The case name, "noBreakSpace" ...
std::string_view rawValue(SuspiciousKind);
// Exact match of one of the eight raw values.
std::optional<SuspiciousKind> suspiciousKindFromRawValue(std::string_view);
std::ostream& operator<<(std::ostream&, SuspiciousKind);

// What replaceAll puts in place of a character of the kind: a space, the line ending, or
// nothing (removed). Absent for replacementCharacter, which is always kept.
std::optional<std::u16string_view> replacement(SuspiciousKind, LineEnding);

struct SuspiciousOccurrence
{
    SuspiciousKind kind = SuspiciousKind::noBreakSpace;
    std::int64_t location = 0; // UTF-16 offset in the scanned text
    std::int64_t length = 0;   // UTF-16 units

    bool operator==(const SuspiciousOccurrence&) const = default;
};

std::ostream& operator<<(std::ostream&, const SuspiciousOccurrence&);

struct SuspiciousReport
{
    // Exact counts over the whole text; a kind that did not occur has no entry.
    std::map<SuspiciousKind, std::int64_t> counts;
    // In text order, at most as many as the scan's limit.
    std::vector<SuspiciousOccurrence> occurrences;

    std::int64_t count(SuspiciousKind kind) const;
    // Every suspicious character of the text, also those past the limit of `occurrences`.
    std::int64_t total() const;

    bool operator==(const SuspiciousReport&) const = default;
};

std::ostream& operator<<(std::ostream&, const SuspiciousReport&);

namespace SuspiciousCharacters {

// The kind of one scalar, none for an ordinary one. `previous` and `next` are the neighbouring
// scalars (absent at the ends of the text); they decide a zero-width joiner, which is ordinary
// between two emoji. `atStart`: the scalar is the first of the text, where U+FEFF is a
// byte-order mark and ordinary. Drawing and the character inspector pass false.
std::optional<SuspiciousKind>
kind(char32_t scalar, std::optional<char32_t> previous, std::optional<char32_t> next, bool atStart);

// Counts every suspicious character and records the first `limit` of them. An unpaired
// surrogate reads as U+FFFD.
SuspiciousReport scan(std::u16string_view text, std::int64_t limit);

// The same count over the characters that start in [from, to) of `text`, each judged with its
// neighbours in the whole of `text`; locations are offsets in `text`. A second half of a
// surrogate pair at `from` belongs to the character before. The reports of consecutive ranges,
// joined, are the report of the whole text.
SuspiciousReport
scan(std::u16string_view text, std::size_t from, std::size_t to, std::int64_t limit);

// The same count walking every scalar one by one, without stepping over runs of ordinary
// characters: the plain form `scan` must always agree with (the tests hold them together).
SuspiciousReport
scanEachScalar(std::u16string_view text, std::size_t from, std::size_t to, std::int64_t limit);

// The text with every character of the chosen kinds replaced (see `replacement`). Neighbours
// are always those of the given text.
std::u16string
replaceAll(std::u16string_view text, const std::set<SuspiciousKind>& kinds, LineEnding lineEnding);

} // namespace SuspiciousCharacters

} // namespace EditorCore
