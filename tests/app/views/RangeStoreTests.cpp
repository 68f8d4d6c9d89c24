#include "app/views/EditorDisplayState.h"
#include "app/views/RangeStore.h"

#include <gtest/gtest.h>

using namespace EditorViews;

namespace {

EditRecord edit(int location, int oldLength, const char* inserted)
{
    EditRecord record;
    record.location = location;
    record.oldLength = oldLength;
    record.insertedText = QString::fromUtf8(inserted);
    return record;
}

} // namespace

TEST(RangeStore, rangesMoveStayOrDropWithOneEdit)
{
    // The range [10, 15) and an empty range (a caret-like mark) at 10.
    struct Case
    {
        const char* name;
        EditRecord edit;
        std::optional<TextRange> range;
        std::optional<TextRange> empty;
    };
    const Case cases[] = {
        {"insert before", edit(2, 0, "abc"), TextRange{13, 5}, TextRange{13, 0}},
        {"delete before", edit(2, 3, ""), TextRange{7, 5}, TextRange{7, 0}},
        {"delete up to the start", edit(5, 5, ""), TextRange{5, 5}, TextRange{5, 0}},
        {"insert at the start moves it", edit(10, 0, "xy"), TextRange{12, 5}, TextRange{12, 0}},
        {"insert inside drops it", edit(12, 0, "x"), std::nullopt, TextRange{10, 0}},
        {"insert at the end leaves it", edit(15, 0, "x"), TextRange{10, 5}, TextRange{10, 0}},
        {"delete from the end on", edit(15, 4, ""), TextRange{10, 5}, TextRange{10, 0}},
        {"replace overlapping the start", edit(8, 4, "z"), std::nullopt, std::nullopt},
        {"replace overlapping the end", edit(14, 3, "z"), std::nullopt, TextRange{10, 0}},
        {"replace starting at it", edit(10, 2, "z"), std::nullopt, TextRange{10, 0}},
        {"insert after", edit(20, 0, "abc"), TextRange{10, 5}, TextRange{10, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(RangeStore::moved(TextRange{10, 5}, c.edit), c.range);
        EXPECT_EQ(RangeStore::moved(TextRange{10, 0}, c.edit), c.empty);
        auto match = RangeStore::moved(FindMatch{10, 5}, c.edit);
        EXPECT_EQ(match.has_value(), c.range.has_value());
        if (match && c.range) {
            EXPECT_EQ(match->location, c.range->location);
        }
    }
}

TEST(RangeStore, displayStateKeepsOrderAndDropsAllOnReload)
{
    EditorDisplayState state;
    state.findMatches = {{0, 2}, {5, 2}, {9, 2}};
    state.currentMatch = FindMatch{5, 2};
    state.syntaxErrors = {{1, 0}, {6, 4}, {12, 1}};
    // Typing inside the current match drops it; the error that starts there moves.
    state.applyEdit(edit(6, 0, "!!!"));
    EXPECT_EQ(state.findMatches, (FindMatches{{0, 2}, {12, 2}}));
    EXPECT_EQ(state.currentMatch, std::nullopt);
    EXPECT_EQ(state.syntaxErrors, (std::vector<TextRange>{{1, 0}, {9, 4}, {15, 1}}));

    EditRecord reload = edit(0, 20, "new");
    reload.origin = EditOrigin::reload;
    state.currentMatch = FindMatch{12, 2};
    state.applyEdit(reload);
    EXPECT_TRUE(state.findMatches.empty());
    EXPECT_FALSE(state.currentMatch);
    EXPECT_TRUE(state.syntaxErrors.empty());
}

// Find matches are kept with 32-bit offsets: what does not fit has no compact form, and a match
// that an edit would push past the reach is dropped rather than wrapped round.
TEST(RangeStore, findMatchesStayWithinTheReachOfTheirOffsets)
{
    constexpr std::int64_t limit = FindMatch::limit;
    struct Case
    {
        std::int64_t location, length;
        bool fits;
    };
    const Case cases[] = {
        {0, 0, true},
        {limit - 5, 5, true},
        {limit, 0, true},
        {limit - 5, 6, false},
        {limit + 1, 0, false},
        {0, limit + 1, false},
        {-1, 2, false},
        {3, -1, false},
        {std::int64_t{1} << 40, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.location << ", " << c.length);
        const auto match = FindMatch::from(c.location, c.length);
        ASSERT_EQ(match.has_value(), c.fits);
        if (match) {
            EXPECT_EQ(match->location, c.location);
            EXPECT_EQ(match->end(), c.location + c.length);
        }
    }

    const auto nearTheEnd = static_cast<std::uint32_t>(limit - 10);
    EditorDisplayState state;
    state.findMatches = {{5, 2}, {nearTheEnd, 4}, {nearTheEnd + 6, 4}};
    state.currentMatch = FindMatch{nearTheEnd + 6, 4};
    state.applyEdit(edit(0, 0, "abc"));
    EXPECT_EQ(state.findMatches, (FindMatches{{8, 2}, {nearTheEnd + 3, 4}}));
    EXPECT_FALSE(state.currentMatch);
    state.applyEdit(edit(0, 3, ""));
    EXPECT_EQ(state.findMatches, (FindMatches{{5, 2}, {nearTheEnd, 4}}));
}
