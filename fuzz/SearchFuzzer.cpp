// Any query over any text: compiled or refused with a reason, never a crash. Every way of
// finding matches (the batched search with its shortcuts, the plain enumeration, next and
// previous) finds the same ones inside the scope; replacing all of them gives the text the
// matches and their expansions make; a literal replacement is inserted as written; the line
// filter keeps exactly the lines in which a match starts, and inverted exactly the others;
// over a snapshot of chunks of a few units, with or without a condition, it keeps what it keeps
// over one string.
#include "FuzzCheck.h"

#include "core/ChunkedText.h"
#include "core/CompiledSearch.h"
#include "core/LineFilter.h"
#include "core/LineIndex.h"
#include "core/SearchScanner.h"
#include "core/SearchSyntax.h"

#include <algorithm>
#include <chrono>
#include <vector>

using namespace EditorCore;
using FuzzCheck::check;

namespace {

// Units that make patterns and texts interesting: regex syntax, case pairs, breaks, a pair.
std::u16string textOf(std::span<const std::uint8_t> bytes)
{
    static constexpr char16_t units[] = {
        u'a', u'b', u'A', u'B', u'\n', u'\r', u' ', u'.', u'*', u'+', u'?', u'(', u')', u'[',
        u']', u'{', u'}', u'|', u'^', u'$', u'\\', u'1', u'0', u'w', u'd', u's', u'b', u'Q',
        u'E', u'-', u',', u'\u00DF', u'\u0130', u'\u2028', char16_t(0xD83D), char16_t(0xDE00), u'\u00E9',
        u'e', u'\u0301', u'\uAC00', u'=', u'#', u'x', u'k', u'<', u'>', u'!', u':', u'i', u'&'};
    constexpr std::size_t count = sizeof(units) / sizeof(units[0]);
    std::u16string text;
    for (auto byte : bytes)
        text.push_back(byte < 0xC0 ? units[byte % count] : static_cast<char16_t>(byte));
    return text;
}

std::vector<SearchMatch> collected(const CompiledSearch& search, std::u16string_view text)
{
    std::vector<SearchMatch> matches;
    const bool finished = search.collectMatches(
        text, 3, [] { return false; },
        [&](std::span<const SearchMatch> batch) { matches.insert(matches.end(), batch.begin(), batch.end()); });
    check(finished, "a search without a stop request stopped");
    return matches;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzCheck::Input input(data, size);
    const auto flags = input.byte();
    const auto queryText = textOf(input.take(input.byte() % 24));
    const auto replacement = textOf(input.take(input.byte() % 12));
    const auto text = textOf(input.take(200));
    const auto length = static_cast<std::int64_t>(text.size());

    SearchQuery query;
    query.text = queryText;
    query.caseSensitive = flags & 1;
    query.wholeWord = flags & 2;
    query.regularExpression = flags & 4;
    if (flags & 8) {
        const std::int64_t lower = length == 0 ? 0 : input.byte() % (length + 1);
        const std::int64_t upper = lower + (length - lower == 0 ? 0 : input.byte() % (length - lower + 1));
        query.scope = SearchScope{lower, upper};
    }
    auto compiled = CompiledSearch::make(query);
    if (!compiled) {
        check(compiled.error().isEmptyQuery() == queryText.empty(), "an empty query refused otherwise");
        if (const auto* message = compiled.error().invalidPatternMessage())
            check(query.regularExpression, "a literal query refused as a pattern");
        return 0;
    }
    check(!queryText.empty(), "an empty query compiled");
    const auto& search = *compiled;
    const auto scope = query.scope.value_or(SearchScope{0, length});

    // An expression that backtracks without end is the user's to cancel (the engine asks the
    // stop check inside a match too); the checks below run without one, so such a query, once
    // a probe has been stopped, ends the input.
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
        const StopCheck late = [&] { return std::chrono::steady_clock::now() > deadline; };
        SearchScanner probe(search, text, SearchScanner::Path::engineOnly);
        if (probe.enumerate(0, length, true, [](const SearchMatch&) { return true; }, &late)
            == SearchScanner::Outcome::stopped)
            return 0;
    }

    const auto matches = collected(search, text);
    std::vector<SearchMatch> enumerated;
    search.enumerateMatches(text, scope.lowerBound, scope.upperBound - scope.lowerBound, false,
                            [&](const SearchMatch& match) {
                                enumerated.push_back(match);
                                return true;
                            });
    check(matches == enumerated, "the batched search and the enumeration differ");
    std::int64_t previousEnd = scope.lowerBound;
    for (const auto& match : matches) {
        check(match.length >= 1 && match.location >= previousEnd
                  && match.location + match.length <= scope.upperBound,
              "a match outside its scope, empty or overlapping");
        previousEnd = match.location + match.length;
        // A range's ends act as the text's ends, so an expression that looks past its match
        // (\B, look-behind, look-ahead) may not match its own range alone; a literal always does.
        if (!query.regularExpression)
            check(search.containsMatch(text, match.location, match.length), "a match not found again");
        if (!query.regularExpression && query.caseSensitive)
            check(text.substr(match.location, match.length) == queryText, "a literal match of other text");
        if (!query.regularExpression)
            check(search.replacementText(match.location, match.length, text, replacement) == replacement,
                  "a literal replacement expanded");
    }

    // The scanner's shortcuts (a plain code-unit search, the prefilter) against the engine
    // alone, with and without zero-length matches.
    for (bool zero : {false, true}) {
        std::vector<SearchMatch> fastest, engine;
        SearchScanner fast(search, text, SearchScanner::Path::fastest);
        SearchScanner slow(search, text, SearchScanner::Path::engineOnly);
        fast.enumerate(scope.lowerBound, scope.upperBound - scope.lowerBound, zero,
                       [&](const SearchMatch& match) {
                           fastest.push_back(match);
                           return true;
                       });
        slow.enumerate(scope.lowerBound, scope.upperBound - scope.lowerBound, zero,
                       [&](const SearchMatch& match) {
                           engine.push_back(match);
                           return true;
                       });
        check(fastest == engine, "the scanner's shortcut finds other matches than the engine");
        check(fast.contains(scope.lowerBound, scope.upperBound - scope.lowerBound)
                  == slow.contains(scope.lowerBound, scope.upperBound - scope.lowerBound),
              "the scanner's shortcut and the engine disagree on a match");
    }

    // Next and previous visit the same matches, wrapping round.
    if (!matches.empty()) {
        const auto first = search.nextMatch(text, scope.lowerBound, SearchDirection::forwards);
        check(first && *first == matches.front(), "the next match from the start is not the first");
        const auto last = search.nextMatch(text, scope.upperBound, SearchDirection::backwards);
        check(last && std::find(matches.begin(), matches.end(), *last) != matches.end(),
              "the previous match from the end is no match");
    } else {
        check(!search.nextMatch(text, 0, SearchDirection::forwards), "a next match where none is");
    }

    // Replacing everything, against the matches and their expansions spliced by hand, when
    // the pattern cannot match empty.
    const auto replaced = search.replaceAll(text, replacement);
    bool matchesEmpty = false;
    search.enumerateMatches(text, scope.lowerBound, scope.upperBound - scope.lowerBound, true,
                            [&](const SearchMatch& match) {
                                matchesEmpty |= match.length == 0;
                                return !matchesEmpty;
                            });
    if (!matchesEmpty) {
        check(replaced.count == static_cast<std::int64_t>(matches.size()), "replaced another number");
        std::u16string expected;
        std::int64_t at = 0;
        for (const auto& match : matches) {
            expected.append(text.substr(at, match.location - at));
            expected.append(search.replacementText(match.location, match.length, text, replacement));
            at = match.location + match.length;
        }
        expected.append(text.substr(at));
        check(replaced.text == expected, "replace all differs from the matches replaced one by one");
    }

    // The line filter, plain and inverted, against a line-by-line check.
    const LineIndex index(text);
    SearchQuery unscoped = query;
    unscoped.scope.reset();
    auto whole = CompiledSearch::make(unscoped);
    check(whole.has_value(), "a query compiled with a scope but not without");
    LineFilter filter{*whole, {}, false, (flags & 16) != 0};
    auto hits = filter.apply(text, &index, 0, 0, [] { return false; });
    filter.invert = true;
    auto inverted = filter.apply(text, &index, 0, 0, [] { return false; });
    check(hits && inverted, "a filter without a stop request gave nothing");
    // A line is kept when a match over the whole text (zero-length ones too) starts in it.
    std::vector<std::int64_t> expectedLines, otherLines;
    whole->enumerateMatches(text, 0, length, true, [&](const SearchMatch& match) {
        const auto line = index.lineNumber(match.location) - 1;
        if (line >= index.contentLineCount())
            return false;
        if (expectedLines.empty() || expectedLines.back() != line)
            expectedLines.push_back(line);
        return true;
    });
    for (std::int64_t line = 0; line < index.contentLineCount(); ++line) {
        if (!std::binary_search(expectedLines.begin(), expectedLines.end(), line))
            otherLines.push_back(line);
    }
    if (std::getenv("OLV_FUZZ_DEBUG")) {
        auto show = [](std::u16string_view units) {
            for (auto unit : units)
                std::fprintf(stderr, unit >= 0x20 && unit < 0x7F ? "%c" : "<%X>", unsigned(unit));
            std::fprintf(stderr, "\n");
        };
        std::fprintf(stderr, "flags %u query: ", unsigned(flags));
        show(queryText);
        std::fprintf(stderr, "text: ");
        show(text);
        for (auto line : hits->lines)
            std::fprintf(stderr, "hit %lld\n", static_cast<long long>(line));
        for (auto line : expectedLines)
            std::fprintf(stderr, "expected %lld\n", static_cast<long long>(line));
    }
    check(hits->lines == expectedLines, "the filter kept other lines than those with a match");
    check(inverted->lines == otherLines, "the inverted filter kept other lines");
    for (std::size_t i = 0; i < hits->parts.size(); ++i) {
        const auto& part = hits->parts[i];
        const auto range = index.contentRange(hits->partLines[i], text);
        check(part.location >= range.location && part.location + part.length <= range.location + range.length,
              "a matched part outside its line");
        check(i == 0 || part.location >= hits->parts[i - 1].location + hits->parts[i - 1].length,
              "matched parts overlap");
    }

    // The filter over a snapshot, whose chunk borders fall inside CR LF and surrogate pairs, and
    // with the replacement's text as a literal and- or not-condition besides.
    const std::int64_t chunk = 1 + (flags >> 5);
    const ChunkedText chunks(text, {chunk, chunk, chunk});
    const auto snapshot = chunks.snapshot();
    SearchQuery other;
    other.text = replacement;
    if (auto condition = CompiledSearch::make(other)) {
        const auto join = (flags & 32) ? LineFilter::Join::not_ : LineFilter::Join::and_;
        for (bool invert : {false, true}) {
            for (bool withCondition : {false, true}) {
                filter.invert = invert;
                filter.conditions.clear();
                if (withCondition)
                    filter.conditions.push_back({join, *condition});
                const auto overString = filter.apply(text, &index, 0, 0, [] { return false; });
                const auto overSnapshot = filter.apply(snapshot, 0, [] { return false; });
                check(overString && overSnapshot, "a filter without a stop request gave nothing");
                check(*overSnapshot == *overString,
                      "the filter over a snapshot kept other lines or parts");
            }
        }
    }
    return 0;
}
