#include "app/views/VisualLineMap.h"

#include <gtest/gtest.h>

#include <random>

using namespace EditorViews;

TEST(VisualLineMap, prefixSumsAndLocateAgreeWithAPlainWalk)
{
    std::mt19937 random(7);
    for (int size : {1, 2, 7, 64, 1000}) {
        SCOPED_TRACE(size);
        std::vector<int> counts(static_cast<std::size_t>(size));
        for (auto& c : counts)
            c = 1 + static_cast<int>(random() % 5);
        VisualLineMap map;
        map.reset(counts);
        for (int step = 0; step < 50; ++step) {
            int line = static_cast<int>(random() % static_cast<unsigned>(size));
            int value = 1 + static_cast<int>(random() % 9);
            counts[static_cast<std::size_t>(line)] = value;
            map.setCount(line, value);
        }
        long long before = 0;
        for (int line = 0; line < size; ++line) {
            ASSERT_EQ(map.visualLinesBefore(line), before);
            for (int sub = 0; sub < counts[static_cast<std::size_t>(line)]; ++sub) {
                auto position = map.locate(before + sub);
                ASSERT_EQ(position.line, line);
                ASSERT_EQ(position.subLine, sub);
            }
            before += counts[static_cast<std::size_t>(line)];
        }
        EXPECT_EQ(map.totalVisualLines(), before);
        EXPECT_EQ(map.locate(before + 10).line, size - 1);
        EXPECT_EQ(map.locate(-3).line, 0);
    }
}

// Counts from 255 on are kept beside the one-byte counts, and the sums are kept per block of
// lines: long wrapped lines, counts crossing that bound both ways and block edges must still
// agree with a plain walk.
TEST(VisualLineMap, largeCountsAndBlockEdgesAgreeWithAPlainWalk)
{
    std::mt19937 random(11);
    const int values[] = {1, 2, 254, 255, 256, 1000, 70'000};
    for (int size : {63, 64, 65, 129, 3000}) {
        SCOPED_TRACE(size);
        std::vector<int> counts(static_cast<std::size_t>(size));
        for (auto& c : counts)
            c = values[random() % std::size(values)];
        VisualLineMap map;
        map.rebuild(size, [&](int line) { return counts[static_cast<std::size_t>(line)]; });
        for (int step = 0; step < 200; ++step) {
            const int line = static_cast<int>(random() % static_cast<unsigned>(size));
            const int value = values[random() % std::size(values)];
            counts[static_cast<std::size_t>(line)] = value;
            map.setCount(line, value);
        }
        long long before = 0;
        for (int line = 0; line < size; ++line) {
            ASSERT_EQ(map.count(line), counts[static_cast<std::size_t>(line)]);
            ASSERT_EQ(map.visualLinesBefore(line), before);
            const int count = counts[static_cast<std::size_t>(line)];
            for (int sub : {0, count / 2, count - 1}) {
                const auto position = map.locate(before + sub);
                ASSERT_EQ(position.line, line);
                ASSERT_EQ(position.subLine, sub);
            }
            before += count;
        }
        EXPECT_EQ(map.visualLinesBefore(size), before);
        EXPECT_EQ(map.totalVisualLines(), before);
    }
}

TEST(VisualLineMap, linesAppendedOneByOneAgreeWithABuiltMap)
{
    std::mt19937 random(11);
    std::vector<int> counts;
    VisualLineMap grown;
    grown.reset({});
    for (int size = 1; size <= 300; ++size) {
        const int value = 1 + static_cast<int>(random() % 6);
        counts.push_back(value);
        grown.append(value);
        // Changes after growing reach the appended nodes too.
        if (size % 37 == 0) {
            const int line = static_cast<int>(random() % static_cast<unsigned>(size));
            counts[static_cast<std::size_t>(line)] = 3;
            grown.setCount(line, 3);
        }
    }
    VisualLineMap built;
    built.reset(counts);
    EXPECT_EQ(grown.totalVisualLines(), built.totalVisualLines());
    for (int line = 0; line <= static_cast<int>(counts.size()); ++line)
        ASSERT_EQ(grown.visualLinesBefore(line), built.visualLinesBefore(line)) << line;
    for (long long visual = 0; visual < built.totalVisualLines(); visual += 7)
        ASSERT_EQ(grown.locate(visual).line, built.locate(visual).line) << visual;
}

TEST(VisualLineMap, aUniformMapIsTheMapOfOnes)
{
    for (std::size_t size : {0u, 1u, 2u, 5u, 64u, 1000u}) {
        SCOPED_TRACE(size);
        VisualLineMap built;
        built.reset(std::vector<int>(size, 1));
        VisualLineMap uniform = VisualLineMap::uniform(size);
        EXPECT_EQ(uniform.lineCount(), built.lineCount());
        EXPECT_EQ(uniform.totalVisualLines(), built.totalVisualLines());
        for (int line = 0; line <= static_cast<int>(size); ++line)
            ASSERT_EQ(uniform.visualLinesBefore(line), built.visualLinesBefore(line));
        if (size > 3) {
            uniform.setCount(2, 4);
            built.setCount(2, 4);
            EXPECT_EQ(uniform.locate(5).line, built.locate(5).line);
            EXPECT_EQ(uniform.visualLinesBefore(static_cast<int>(size)),
                      built.visualLinesBefore(static_cast<int>(size)));
        }
    }
}
