#include "features/SerialQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <pthread.h>
#include <vector>

using EditorFeatures::SerialQueue;

TEST(SerialQueue, runsJobsOneAtATimeInOrderOnOneNamedThread)
{
    std::vector<int> order;
    std::atomic<int> running = 0;
    bool overlapped = false;
    std::thread::id worker;
    char name[16] = {};
    {
        SerialQueue queue("app.orlune.viewer.formatter");
        EXPECT_EQ(queue.label(), "app.orlune.viewer.formatter");
        for (int i = 0; i < 100; ++i) {
            queue.async([&, i] {
                overlapped = overlapped || running.fetch_add(1) != 0;
                order.push_back(i);
                if (i == 0) {
                    worker = std::this_thread::get_id();
                    pthread_getname_np(pthread_self(), name, sizeof name);
                }
                EXPECT_EQ(std::this_thread::get_id(), worker);
                running.fetch_sub(1);
            });
        }
        // Destruction runs what was queued before it returns.
    }
    ASSERT_EQ(order.size(), 100u);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(order[static_cast<std::size_t>(i)], i);
    EXPECT_FALSE(overlapped);
    EXPECT_NE(worker, std::this_thread::get_id());
    EXPECT_STREQ(name, "formatter");
}

TEST(SerialQueue, syncWaitsAndRunsInlineOnItsOwnThread)
{
    SerialQueue queue("app.orlune.viewer.test");
    int value = 0;
    queue.async([&] { value = 1; });
    queue.sync([&] { value *= 10; });
    EXPECT_EQ(value, 10);

    bool inner = false;
    queue.sync([&] {
        EXPECT_TRUE(queue.isCurrent());
        queue.sync([&] { inner = true; });
    });
    EXPECT_TRUE(inner);
    EXPECT_FALSE(queue.isCurrent());
}
