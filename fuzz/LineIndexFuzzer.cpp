// The line index must agree with a plain scan of the text, stay equal to a fresh index after
// any edit, and the line-ending summary and conversion must count and rewrite every break.
#include "FuzzCheck.h"

#include "core/LineEnding.h"
#include "core/LineIndex.h"

#include <vector>

using namespace EditorCore;
using FuzzCheck::check;

namespace {

// Units drawn from the characters that matter to lines, so breaks are frequent.
std::u16string textOf(std::span<const std::uint8_t> bytes)
{
    static constexpr char16_t units[] = {u'a', u'\n', u'\r', u'\u0085', u'\u2028', u'\u2029',
                                         u' ', u'\t', char16_t(0xD83D), char16_t(0xDE00), u'\u000B', u'\u000C',
                                         u'\u00E9', u'\uAC00', u'\0', u'b'};
    std::u16string text;
    for (auto byte : bytes) {
        text.push_back(units[byte & 15]);
        if (byte & 16)
            text.push_back(units[byte >> 5]);
    }
    return text;
}

std::vector<std::int64_t> scannedStarts(std::u16string_view text)
{
    std::vector<std::int64_t> starts{0};
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto unit = text[i];
        if (unit == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            continue;
        if (unit == u'\n' || unit == u'\r' || unit == u'\u0085' || unit == u'\u2028'
            || unit == u'\u2029')
            starts.push_back(static_cast<std::int64_t>(i + 1));
    }
    return starts;
}

void checkIndex(const LineIndex& index, std::u16string_view text)
{
    check(index.starts() == scannedStarts(text), "line starts differ from a plain scan");
    check(index.length() == static_cast<std::int64_t>(text.size()), "index length");
    for (std::int64_t line = 1; line <= index.lineCount(); ++line) {
        const auto start = index.lineStart(line);
        check(index.lineNumber(start) == line, "a line start is not on its own line");
        const auto range = index.contentRange(line - 1, text);
        check(range.location == start && range.location + range.length <= index.length(),
              "a content range outside its line");
        const auto end = range.location + range.length;
        check(end == index.length() || line < index.lineCount(), "text after the last line");
    }
    check(index.lineNumber(-5) == 1 && index.lineNumber(index.length() + 5) == index.lineCount(),
          "offsets outside the text");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzCheck::Input input(data, size);
    const auto editCount = input.byte() % 8;
    std::u16string text = textOf(input.take(input.byte()));
    LineIndex index(text);
    checkIndex(index, text);

    for (int i = 0; i < editCount; ++i) {
        const auto length = static_cast<std::int64_t>(text.size());
        const std::int64_t location = length == 0 ? 0 : input.byte() % (length + 1);
        const std::int64_t removed = (length - location) == 0 ? 0 : input.byte() % (length - location + 1);
        const auto inserted = textOf(input.take(input.byte() % 8));
        text.replace(static_cast<std::size_t>(location), static_cast<std::size_t>(removed),
                     inserted);
        index.update(location, removed, static_cast<std::int64_t>(inserted.size()), text);
        check(index == LineIndex(text), "an updated index differs from a fresh one");
    }
    checkIndex(index, text);

    const LineEndingSummary summary(text);
    std::int64_t lf = 0, crlf = 0, cr = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            ++crlf;
            ++i;
        } else if (text[i] == u'\r') {
            ++cr;
        } else if (text[i] == u'\n') {
            ++lf;
        }
    }
    check(summary.lf == lf && summary.crlf == crlf && summary.cr == cr, "break counts");
    check(summary.hasFinalNewline
              == (!text.empty() && (text.back() == u'\n' || text.back() == u'\r')),
          "final newline");
    for (auto ending : allLineEndings) {
        const auto converted = LineEndingConverter::convert(text, ending);
        const LineEndingSummary after(converted);
        check(after.total() == summary.total(), "a conversion changed the number of breaks");
        check(after.total() == 0 || (!after.isMixed() && after.dominant() == ending),
              "a conversion left another ending");
        check(LineEndingConverter::convert(converted, ending) == converted,
              "a conversion is not stable");
        check(LineIndex(converted).lineCount() == index.lineCount(),
              "a conversion changed the number of lines");
    }
    return 0;
}
