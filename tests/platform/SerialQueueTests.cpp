#include "platform/SerialQueue.h"

#include <gtest/gtest.h>

#include <vector>

TEST(SerialQueue, runsJobsInOrderOneAtATime)
{
    Platform::SerialQueue queue("app.orlune.viewer.test");
    std::vector<int> order;
    int running = 0;
    bool overlapped = false;
    for (int i = 0; i < 200; ++i) {
        queue.async([&, i] {
            overlapped = overlapped || running != 0;
            ++running;
            order.push_back(i);
            --running;
        });
    }
    queue.waitUntilIdle();
    ASSERT_EQ(order.size(), 200u);
    for (int i = 0; i < 200; ++i)
        EXPECT_EQ(order[static_cast<std::size_t>(i)], i);
    EXPECT_FALSE(overlapped);
    EXPECT_EQ(queue.label(), "app.orlune.viewer.test");
}

TEST(SerialQueue, destructionRunsWhatWasSubmitted)
{
    int ran = 0;
    {
        Platform::SerialQueue queue("q");
        for (int i = 0; i < 50; ++i)
            queue.async([&] { ++ran; });
    }
    EXPECT_EQ(ran, 50);
}
