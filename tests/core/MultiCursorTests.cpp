#include "core/MultiCursor.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace EditorCore;
using namespace EditorCore::MultiCursor;

namespace {

std::u16string applyFromLastToFirst(std::u16string text, const Result& result)
{
    for (auto edit = result.edits.rbegin(); edit != result.edits.rend(); ++edit)
        text.replace(static_cast<std::size_t>(edit->range.location),
                     static_cast<std::size_t>(edit->range.length),
                     edit->text);
    return text;
}

// Applies the edits in order, moving each by what the earlier ones changed, and checks that
// every caret stands right after its inserted text.
std::u16string applyOneByOne(std::u16string text, const Result& result)
{
    std::int64_t shift = 0;
    for (std::size_t i = 0; i < result.edits.size(); ++i) {
        const auto& edit = result.edits[i];
        const auto at = edit.range.location + shift;
        text.replace(
            static_cast<std::size_t>(at), static_cast<std::size_t>(edit.range.length), edit.text);
        shift += static_cast<std::int64_t>(edit.text.size()) - edit.range.length;
        EXPECT_EQ(result.carets[i],
                  (TextRange{at + static_cast<std::int64_t>(edit.text.size()), 0}))
            << "caret " << i;
    }
    return text;
}

} // namespace

TEST(MultiCursor, normalize)
{
    struct Case
    {
        const char* name;
        CaretList input;
        CaretList expected;
    };
    const Case cases[] = {
        {"empty list", {}, {{0, 0}}},
        {"duplicate carets", {{5, 0}, {5, 0}}, {{5, 0}}},
        {"caret inside a selection", {{2, 3}, {4, 0}}, {{2, 3}}},
        {"caret at a selection's end", {{2, 3}, {5, 0}}, {{2, 3}, {5, 0}}},
        {"caret at a selection's start", {{5, 3}, {5, 0}}, {{5, 0}, {5, 3}}},
        {"touching selections", {{4, 2}, {2, 2}}, {{2, 2}, {4, 2}}},
        {"overlapping selections", {{1, 4}, {3, 4}}, {{1, 6}}},
        {"same selection twice", {{5, 3}, {5, 3}}, {{5, 3}}},
        {"contained selection", {{1, 8}, {2, 2}, {9, 0}}, {{1, 8}, {9, 0}}},
        {"past the end", {{8, 5}, {12, 0}}, {{8, 2}, {10, 0}}},
        {"negative location", {{-3, 5}}, {{0, 2}}},
        {"negative length", {{4, -2}}, {{4, 0}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(normalize(c.input, 10), c.expected);
    }
}

TEST(MultiCursor, normalizeGivesSortedDisjointIdempotentCarets)
{
    std::mt19937 random(20261209);
    for (int round = 0; round < 2000; ++round) {
        const std::int64_t length = std::uniform_int_distribution<std::int64_t>(0, 30)(random);
        std::uniform_int_distribution<std::int64_t> location(-3, length + 3);
        std::uniform_int_distribution<std::int64_t> extent(-2, 8);
        CaretList input(std::uniform_int_distribution<std::size_t>(0, 8)(random));
        for (auto& range : input)
            range = {location(random), random() % 3 == 0 ? 0 : extent(random)};
        SCOPED_TRACE(testing::PrintToString(input));

        const auto carets = normalize(input, length);
        ASSERT_FALSE(carets.empty());
        for (std::size_t i = 0; i < carets.size(); ++i) {
            EXPECT_GE(carets[i].location, 0);
            EXPECT_GE(carets[i].length, 0);
            EXPECT_LE(carets[i].end(), length);
            if (i == 0)
                continue;
            const auto& before = carets[i - 1];
            EXPECT_GE(carets[i].location, before.end());
            EXPECT_FALSE(carets[i].isEmpty() && before.isEmpty()
                         && carets[i].location == before.location);
        }
        EXPECT_EQ(normalize(carets, length), carets);
    }
}

TEST(MultiCursor, insert)
{
    const auto typed = insert({{1, 0}, {4, 0}}, {u"xy"});
    EXPECT_EQ(typed, (Result{{{{1, 0}, u"xy"}, {{4, 0}, u"xy"}}, {{3, 0}, {8, 0}}}));

    const auto replaced = insert({{0, 2}, {5, 1}}, {u"z"});
    EXPECT_EQ(replaced.carets, (CaretList{{1, 0}, {5, 0}}));

    const auto pasted = insert({{0, 0}, {2, 1}}, {u"a", u"bcd"});
    EXPECT_EQ(pasted, (Result{{{{0, 0}, u"a"}, {{2, 1}, u"bcd"}}, {{1, 0}, {6, 0}}}));

    EXPECT_EQ(insert({}, {u"a"}), Result{});
}

TEST(MultiCursor, deleteBackward)
{
    struct Case
    {
        const char* name;
        std::u16string text;
        CaretList carets;
        DeleteDirection direction;
        Result expected;
    };
    const Case cases[] = {
        {"caret at the start deletes nothing",
         u"abcdefgh",
         {{0, 0}, {5, 0}},
         DeleteDirection::backward,
         {{{{0, 0}, u""}, {{4, 1}, u""}}, {{0, 0}, {4, 0}}}},
        {"surrogate pair",
         u"a\U0001F600b",
         {{3, 0}},
         DeleteDirection::backward,
         {{{{1, 2}, u""}}, {{1, 0}}}},
        {"emoji with modifier at once",
         u"x\U0001F44D\U0001F3FD",
         {{5, 0}},
         DeleteDirection::backward,
         {{{{1, 4}, u""}}, {{1, 0}}}},
        {"combining mark with its base",
         u"ae\u0301",
         {{3, 0}},
         DeleteDirection::backward,
         {{{{1, 2}, u""}}, {{1, 0}}}},
        {"touching ranges stay apart",
         u"abcdefgh",
         {{5, 0}, {6, 0}},
         DeleteDirection::backward,
         {{{{4, 1}, u""}, {{5, 1}, u""}}, {{4, 0}, {4, 0}}}},
        {"selection is deleted whole",
         u"abcdef",
         {{1, 2}, {4, 0}},
         DeleteDirection::backward,
         {{{{1, 2}, u""}, {{3, 1}, u""}}, {{1, 0}, {1, 0}}}},
        {"overlapping targets merge",
         u"abcdef",
         {{1, 3}, {3, 0}},
         DeleteDirection::backward,
         {{{{1, 3}, u""}}, {{1, 0}}}},
        {"forward at the end deletes nothing",
         u"abc",
         {{1, 0}, {3, 0}},
         DeleteDirection::forward,
         {{{{1, 1}, u""}, {{3, 0}, u""}}, {{1, 0}, {2, 0}}}},
        {"forward over a surrogate pair",
         u"\U0001F600b",
         {{0, 0}},
         DeleteDirection::forward,
         {{{{0, 2}, u""}}, {{0, 0}}}},
        {"crlf is one character",
         u"a\r\nb",
         {{3, 0}},
         DeleteDirection::backward,
         {{{{1, 2}, u""}}, {{1, 0}}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(deleteBackward(c.carets, c.text, c.direction), c.expected);
    }
}

TEST(MultiCursor, resultEditsApplyFromLastToFirstAndCaretsLandAfterTheirText)
{
    const std::u16string pieces[] = {
        u"a", u"b", u" ", u"\r\n", u"\n", u"\U0001F600", u"e\u0301", u"\u2028", u"_"};
    std::mt19937 random(4);
    auto pick = [&](std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
    };
    for (int round = 0; round < 1000; ++round) {
        std::u16string text;
        for (std::size_t i = pick(12); i > 0; --i)
            text += pieces[pick(std::size(pieces))];
        const auto length = static_cast<std::int64_t>(text.size());
        CaretList carets(pick(5) + 1);
        for (auto& caret : carets) {
            const auto at = static_cast<std::int64_t>(pick(text.size() + 1));
            caret = {at, random() % 2 ? 0 : static_cast<std::int64_t>(pick(4))};
        }
        carets = normalize(carets, length);
        SCOPED_TRACE(testing::PrintToString(text) + " " + testing::PrintToString(carets));

        std::vector<std::u16string> texts;
        if (random() % 2) {
            texts.push_back(pieces[pick(std::size(pieces))]);
        } else {
            for (std::size_t i = 0; i < carets.size(); ++i)
                texts.push_back(random() % 3 ? pieces[pick(std::size(pieces))] : u"");
        }
        const Result results[] = {
            insert(carets, texts),
            deleteBackward(carets, text, DeleteDirection::backward),
            deleteBackward(carets, text, DeleteDirection::forward),
        };
        for (const auto& result : results) {
            ASSERT_EQ(result.edits.size(), result.carets.size());
            for (std::size_t i = 1; i < result.edits.size(); ++i)
                ASSERT_GE(result.edits[i].range.location, result.edits[i - 1].range.end());
            EXPECT_EQ(applyFromLastToFirst(text, result), applyOneByOne(text, result));
        }
    }
}

TEST(MultiCursor, move)
{
    // Lines: "abcdefghijkl" (0-12), "wxyz" (13-17), "pq" (18-20).
    const std::u16string text = u"abcdefghijkl\nwxyz\npq";
    struct Case
    {
        const char* name;
        std::u16string text;
        CaretList carets;
        Movement movement;
        Selecting selecting;
        CaretList expected;
    };
    const Case cases[] = {
        {"left collapses a selection", text, {{3, 4}}, Movement::left, Selecting::move, {{3, 0}}},
        {"right collapses a selection", text, {{3, 4}}, Movement::right, Selecting::move, {{7, 0}}},
        {"left extends the start", text, {{3, 4}}, Movement::left, Selecting::extend, {{2, 5}}},
        {"right extends the end", text, {{3, 4}}, Movement::right, Selecting::extend, {{3, 5}}},
        {"up moves a selection's start", text, {{15, 1}}, Movement::up, Selecting::move, {{2, 0}}},
        {"left at the start", text, {{0, 0}}, Movement::left, Selecting::move, {{0, 0}}},
        {"right at the end", text, {{20, 0}}, Movement::right, Selecting::move, {{20, 0}}},
        {"down onto a shorter line", text, {{10, 0}}, Movement::down, Selecting::move, {{17, 0}}},
        {"up from the first line", text, {{7, 0}}, Movement::up, Selecting::move, {{0, 0}}},
        {"down from the last line", text, {{19, 0}}, Movement::down, Selecting::move, {{20, 0}}},
        {"up keeps the column", text, {{15, 0}}, Movement::up, Selecting::move, {{2, 0}}},
        {"down extends", text, {{2, 0}}, Movement::down, Selecting::extend, {{2, 13}}},
        {"down onto the empty last line",
         u"ab\n",
         {{1, 0}},
         Movement::down,
         Selecting::move,
         {{3, 0}}},
        {"up over crlf", u"abc\r\nde", {{6, 0}}, Movement::up, Selecting::move, {{1, 0}}},
        {"up over line separator",
         u"abc\u2028de",
         {{5, 0}},
         Movement::up,
         Selecting::move,
         {{1, 0}}},
        {"a tab is one column", u"\tab\ncde", {{6, 0}}, Movement::up, Selecting::move, {{2, 0}}},
        {"down never splits a surrogate pair",
         u"abc\n\U0001F600x",
         {{1, 0}},
         Movement::down,
         Selecting::move,
         {{4, 0}}},
        {"right over a surrogate pair",
         u"a\U0001F600b",
         {{1, 0}},
         Movement::right,
         Selecting::move,
         {{3, 0}}},
        {"left over a cluster", u"ae\u0301x", {{3, 0}}, Movement::left, Selecting::move, {{1, 0}}},
        {"line start and end",
         u"ab\ncd\r\nef",
         {{4, 0}},
         Movement::lineStart,
         Selecting::move,
         {{3, 0}}},
        {"line end stops before crlf",
         u"ab\ncd\r\nef",
         {{4, 0}},
         Movement::lineEnd,
         Selecting::move,
         {{5, 0}}},
        {"carets that meet merge",
         u"abc",
         {{1, 0}, {2, 0}},
         Movement::lineStart,
         Selecting::move,
         {{0, 0}}},
        {"word left to the word's start",
         u"foo_bar baz",
         {{10, 0}},
         Movement::wordLeft,
         Selecting::move,
         {{8, 0}}},
        {"word right skips the space",
         u"foo_bar baz",
         {{7, 0}},
         Movement::wordRight,
         Selecting::move,
         {{11, 0}}},
        {"underscore joins a word",
         u"foo_bar baz",
         {{8, 0}},
         Movement::wordLeft,
         Selecting::move,
         {{0, 0}}},
        {"emoji is a word character",
         u"a \U0001F600b c",
         {{0, 0}},
         Movement::wordRight,
         Selecting::move,
         {{1, 0}}},
        {"word right over emoji",
         u"a \U0001F600b c",
         {{1, 0}},
         Movement::wordRight,
         Selecting::move,
         {{5, 0}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(move(c.carets, c.text, c.movement, c.selecting), c.expected);
    }
}

TEST(MultiCursor, wordRange)
{
    const std::u16string text = u"foo_bar, baz";
    EXPECT_EQ(wordRange(2, text), (TextRange{0, 7}));
    EXPECT_EQ(wordRange(7, text), (TextRange{0, 7}));
    EXPECT_EQ(wordRange(8, text), (TextRange{8, 0}));
    EXPECT_EQ(wordRange(9, text), (TextRange{9, 3}));
    EXPECT_EQ(wordRange(99, text), (TextRange{9, 3}));
}

TEST(MultiCursor, addNextOccurrence)
{
    // "foo" at 0, 8 and 16.
    const std::u16string text = u"foo bar foo baz foo";
    auto carets = addNextOccurrence({{9, 0}}, text);
    EXPECT_EQ(carets, (CaretList{{8, 3}}));
    carets = addNextOccurrence(carets, text);
    EXPECT_EQ(carets, (CaretList{{8, 3}, {16, 3}}));
    carets = addNextOccurrence(carets, text);
    EXPECT_EQ(carets, (CaretList{{0, 3}, {8, 3}, {16, 3}}));
    EXPECT_EQ(addNextOccurrence(carets, text), carets);

    EXPECT_EQ(addNextOccurrence({{0, 3}}, u"foo bar"), (CaretList{{0, 3}}));
    EXPECT_EQ(addNextOccurrence({{2, 0}}, u"a  b"), (CaretList{{2, 0}}));
    EXPECT_EQ(addNextOccurrence({}, text), CaretList{});
    // Wrapping skips a match that overlaps a selection and goes on after it.
    EXPECT_EQ(addNextOccurrence({{0, 2}, {6, 2}}, u"ab ab ab"),
              (CaretList{{0, 2}, {3, 2}, {6, 2}}));
    // Case-sensitive, literal.
    EXPECT_EQ(addNextOccurrence({{0, 3}}, u"Foo foo FOO"), (CaretList{{0, 3}}));
}

TEST(MultiCursor, selectAllOccurrences)
{
    EXPECT_EQ(selectAllOccurrences({{0, 2}}, u"aaaa"), (CaretList{{0, 2}, {2, 2}}));
    EXPECT_EQ(selectAllOccurrences({{1, 0}}, u"foo x foo"), (CaretList{{0, 3}, {6, 3}}));
    EXPECT_EQ(selectAllOccurrences({{3, 0}, {1, 0}}, u"ab  ab"), (CaretList{{3, 0}, {1, 0}}));
    EXPECT_EQ(selectAllOccurrences({{0, 1}, {4, 2}}, u"ab  ab ab"),
              (CaretList{{0, 2}, {4, 2}, {7, 2}}));
}

TEST(MultiCursor, addCaretVertically)
{
    // Lines start at 0, 5 and 8.
    const std::u16string text = u"abcd\nef\nghij";
    EXPECT_EQ(addCaretVertically({{2, 0}}, text, VerticalDirection::above), (CaretList{{2, 0}}));
    auto carets = addCaretVertically({{2, 0}}, text, VerticalDirection::below);
    EXPECT_EQ(carets, (CaretList{{2, 0}, {7, 0}}));
    carets = addCaretVertically(carets, text, VerticalDirection::below);
    EXPECT_EQ(carets, (CaretList{{2, 0}, {7, 0}, {10, 0}}));
    EXPECT_EQ(addCaretVertically(carets, text, VerticalDirection::below), carets);
    EXPECT_EQ(addCaretVertically({{10, 0}}, text, VerticalDirection::above),
              (CaretList{{7, 0}, {10, 0}}));
    EXPECT_EQ(addCaretVertically({{1, 0}}, u"ab\n", VerticalDirection::below),
              (CaretList{{1, 0}, {3, 0}}));
    EXPECT_EQ(addCaretVertically({{0, 6}}, u"ab\ncd\nef", VerticalDirection::below),
              (CaretList{{0, 6}}));
    EXPECT_EQ(addCaretVertically({{0, 4}}, u"ab\ncd\nef", VerticalDirection::below),
              (CaretList{{0, 4}, {7, 0}}));
}

TEST(MultiCursor, caretsPerLine)
{
    const std::u16string text = u"ab\ncd\nef";
    struct Case
    {
        const char* name;
        CaretList carets;
        CaretList expected;
    };
    const Case cases[] = {
        {"selection ending after the terminator", {{0, 3}}, {{2, 0}}},
        {"two lines", {{1, 5}}, {{2, 0}, {5, 0}}},
        {"caret goes to its line end", {{4, 0}}, {{5, 0}}},
        {"whole text", {{0, 8}}, {{2, 0}, {5, 0}, {8, 0}}},
        {"several ranges", {{0, 0}, {7, 0}}, {{2, 0}, {8, 0}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(caretsPerLine(c.carets, text), c.expected);
    }
    EXPECT_EQ(caretsPerLine({{0, 3}}, u"ab\n"), (CaretList{{2, 0}}));
    EXPECT_EQ(caretsPerLine({{0, 4}}, u"a\u2028b\n"), (CaretList{{1, 0}, {3, 0}}));
}

TEST(MultiCursor, columnSelection)
{
    // Lines: "abcdef" (0-6), "ab" (7-9), "abcdefgh" (10-18).
    const std::u16string text = u"abcdef\nab\nabcdefgh";
    const CaretList block = {{2, 3}, {9, 0}, {12, 3}};
    EXPECT_EQ(columnSelection(2, 15, text), block);
    EXPECT_EQ(columnSelection(15, 2, text), block);
    EXPECT_EQ(columnSelection(5, 12, text), block);
    EXPECT_EQ(columnSelection(1, 4, u"abcdef"), (CaretList{{1, 3}}));
    EXPECT_EQ(columnSelection(1, 6, u"ab\ncd\n"), (CaretList{{0, 1}, {3, 1}, {6, 0}}));
    EXPECT_EQ(columnSelection(1, 4, u"ab\ncd\n"), (CaretList{{1, 0}, {4, 0}}));
    EXPECT_EQ(columnSelection(1, 7, u"abc\n\U0001F600bc"), (CaretList{{1, 2}, {4, 3}}));
}

TEST(MultiCursor, pasteLines)
{
    using Pieces = std::vector<std::u16string>;
    EXPECT_EQ(pasteLines(u"a\r\nb\r\n", 2), (Pieces{u"a", u"b"}));
    EXPECT_EQ(pasteLines(u"a\r\nb\r\n", 3), (Pieces{u"a\r\nb\r\n"}));
    EXPECT_EQ(pasteLines(u"a\r\nb\r\n", 1), (Pieces{u"a\r\nb\r\n"}));
    EXPECT_EQ(pasteLines(u"a", 1), (Pieces{u"a"}));
    EXPECT_EQ(pasteLines(u"a\rb", 2), (Pieces{u"a", u"b"}));
    EXPECT_EQ(pasteLines(u"a\n\nb", 3), (Pieces{u"a", u"", u"b"}));
    EXPECT_EQ(pasteLines(u"a\u2028b", 2), (Pieces{u"a\u2028b"}));
    EXPECT_EQ(pasteLines(u"", 2), (Pieces{u""}));
}
