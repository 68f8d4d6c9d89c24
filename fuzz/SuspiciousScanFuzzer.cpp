// The scan's counts, positions and classification must agree, and replacing every kind must
// leave only replacement characters behind. The scan that steps over runs of ordinary units
// must give what the walk over every scalar gives, over the whole text and over any range.
#include "core/SuspiciousCharacters.h"
#include "core/UnicodeScalars.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace EditorCore;

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

void checkAgainstTheWalk(std::u16string_view text,
                         std::int64_t limit,
                         std::size_t from,
                         std::size_t to)
{
    const auto whole = SuspiciousCharacters::scan(text, limit);
    if (whole != SuspiciousCharacters::scanEachScalar(text, 0, text.size(), limit)) {
        std::fprintf(stderr, "broken property: the scan of the whole text is not the walk's\n");
        std::abort();
    }
    if (SuspiciousCharacters::scan(text, from, to, limit)
        != SuspiciousCharacters::scanEachScalar(text, from, to, limit)) {
        std::fprintf(stderr, "broken property: the scan of a range is not the walk's\n");
        std::abort();
    }
}

// Mostly ASCII, so that the runs the scan steps over are long: a byte below 0x80 is that
// letter, a byte from 0x80 takes the two bytes after it as a unit of its own.
std::u16string mostlyAscii(const std::uint8_t* data, std::size_t size)
{
    std::u16string text;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] < 0x80 || i + 2 >= size) {
            text.push_back(static_cast<char16_t>(data[i] & 0x7F));
        } else {
            text.push_back(static_cast<char16_t>(data[i + 1] | (data[i + 2] << 8)));
            i += 2;
        }
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Pairs of bytes as UTF-16 units, so unpaired surrogates occur.
    std::u16string text;
    for (std::size_t i = 0; i + 1 < size; i += 2)
        text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
    const std::int64_t limit = size > 0 ? data[0] % 8 : 0;

    for (const auto& form : {text, mostlyAscii(data, size)}) {
        const std::size_t from = size > 1 ? data[1] % (form.size() + 1) : 0;
        const std::size_t to = size > 2 ? from + data[2] % (form.size() - from + 1) : form.size();
        checkAgainstTheWalk(form, limit, from, to);
    }

    const auto report = SuspiciousCharacters::scan(text, limit);
    const auto full = SuspiciousCharacters::scan(text, static_cast<std::int64_t>(text.size()));
    check(report.counts == full.counts);
    check(full.total() == static_cast<std::int64_t>(full.occurrences.size()));
    check(static_cast<std::int64_t>(report.occurrences.size()) == std::min(limit, full.total()));
    std::int64_t previousEnd = 0;
    for (const auto& occurrence : full.occurrences) {
        check(occurrence.location >= previousEnd);
        check(occurrence.length == 1 || occurrence.length == 2);
        previousEnd = occurrence.location + occurrence.length;
        check(previousEnd <= static_cast<std::int64_t>(text.size()));
        const auto scalar = UnicodeScalars::at(text, static_cast<std::size_t>(occurrence.location));
        check(static_cast<std::int64_t>(scalar.length) == occurrence.length);
    }

    const std::set<SuspiciousKind> everything(allSuspiciousKinds.begin(), allSuspiciousKinds.end());
    const auto cleaned = SuspiciousCharacters::replaceAll(text, everything, LineEnding::crlf);
    const auto rest =
        SuspiciousCharacters::scan(cleaned, static_cast<std::int64_t>(cleaned.size()));
    // Removing what stood between two unpaired surrogates may pair them, as their units would
    // pair on disk too; the pair can be a character of a suspicious kind (private use, say).
    // Anything else left is a replacement character.
    for (const auto& occurrence : rest.occurrences)
        check(occurrence.kind == SuspiciousKind::replacementCharacter || occurrence.length == 2);
    check(rest.count(SuspiciousKind::replacementCharacter)
          <= full.count(SuspiciousKind::replacementCharacter));
    check(SuspiciousCharacters::replaceAll(text, {}, LineEnding::lf) == text);
    return 0;
}
