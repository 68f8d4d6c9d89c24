// Edits applied to the chunk tree and to a plain string must give the same text and lines,
// with chunk borders that keep CR LF and surrogate pairs whole; snapshots taken on the way must
// stay as they were; a literal search over the chunks must find what the one-string scanner
// finds.
#include "FuzzCheck.h"

#include "core/ChunkedText.h"
#include "core/LineIndex.h"
#include "core/SnapshotSearch.h"

#include <utility>
#include <vector>

using namespace EditorCore;
using FuzzCheck::check;

namespace {

constexpr char16_t units[] = {u'a', u'\n', u'\r', u'\u0085', u'\u2028', u'b',
                              char16_t(0xD83D), char16_t(0xDE00), u'\u00E9', u'\uAC00',
                              u'a', u'\r', u'\n', u'c', u'a', u'b'};

void checkSame(const TextSnapshot& snapshot, const std::u16string& text, const ChunkLimits& limits)
{
    check(snapshot.text() == text, "text differs from the plain string");
    const LineIndex lines(text);
    check(snapshot.lineCount() == lines.lineCount(), "line count");
    for (std::int64_t line = 1; line <= lines.lineCount(); ++line) {
        check(snapshot.lineStart(line) == lines.lineStart(line), "line start");
    }
    for (std::int64_t offset = 0; offset <= snapshot.length(); ++offset)
        check(snapshot.lineNumber(offset) == lines.lineNumber(offset), "line number");
    int last = -1;
    std::int64_t chunks = 0;
    snapshot.visit(0, snapshot.length(), [&](std::u16string_view piece) {
        check(!(last == u'\r' && piece.front() == u'\n'), "a border splits CR LF");
        check(!(last >= 0xD800 && last <= 0xDBFF && piece.front() >= 0xDC00
                && piece.front() <= 0xDFFF),
              "a border splits a surrogate pair");
        check(static_cast<std::int64_t>(piece.size()) <= limits.maximum + 1, "chunk too long");
        last = piece.back();
        ++chunks;
        return true;
    });
    check(chunks == snapshot.stats().chunks, "chunk count");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const std::int64_t chunk = 1 + (data[0] & 7);
    const ChunkLimits limits{std::max<std::int64_t>(1, chunk / 2), chunk, 2 * chunk};
    std::u16string plain;
    ChunkedText text(limits);
    std::vector<std::pair<TextSnapshot, std::u16string>> kept;
    std::size_t i = 1;
    while (i + 2 < size) {
        const auto length = static_cast<std::int64_t>(plain.size());
        const std::int64_t location = length == 0 ? 0 : data[i] % (length + 1);
        const std::int64_t removed = std::min<std::int64_t>(length - location, data[i + 1] & 15);
        const std::size_t count = std::min<std::size_t>(data[i + 1] >> 4, size - i - 2);
        std::u16string inserted;
        for (std::size_t k = 0; k < count; ++k)
            inserted.push_back(units[data[i + 2 + k] & 15]);
        i += 2 + count;
        text.replace(location, removed, inserted);
        plain.replace(static_cast<std::size_t>(location), static_cast<std::size_t>(removed), inserted);
        check(text.length() == static_cast<std::int64_t>(plain.size()), "length");
        if (kept.size() < 4 && (data[i - 1] & 0x80))
            kept.emplace_back(text.snapshot(), plain);
    }
    checkSame(text.current(), plain, limits);
    for (const auto& [snapshot, original] : kept)
        checkSame(snapshot, original, limits);

    // A needle from the text itself, so that it is found, across borders too.
    if (plain.size() >= 3) {
        SearchQuery query;
        query.text = plain.substr(plain.size() / 3, 1 + data[size - 1] % 4);
        query.caseSensitive = (data[size - 1] & 0x10) == 0;
        if (auto search = CompiledSearch::make(query)) {
            std::vector<SearchMatch> inChunks, inString;
            SnapshotScanner chunked(*search, text.snapshot());
            (void)chunked.enumerate(0, text.length(), false, [&](const SearchMatch& m) {
                inChunks.push_back(m);
                return true;
            });
            SearchScanner whole(*search, plain);
            (void)whole.enumerate(0, text.length(), false, [&](const SearchMatch& m) {
                inString.push_back(m);
                return true;
            });
            check(inChunks == inString, "search over chunks differs from the one-string search");
        }
    }
    return 0;
}
