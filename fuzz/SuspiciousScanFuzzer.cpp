// The scan's counts, positions and classification must agree, and replacing every kind must
// leave only replacement characters behind.
#include "core/SuspiciousCharacters.h"
#include "core/UnicodeScalars.h"

#include <cstdint>
#include <cstdlib>

using namespace EditorCore;

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Pairs of bytes as UTF-16 units, so unpaired surrogates occur.
    std::u16string text;
    for (std::size_t i = 0; i + 1 < size; i += 2)
        text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
    const std::int64_t limit = size > 0 ? data[0] % 8 : 0;

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
