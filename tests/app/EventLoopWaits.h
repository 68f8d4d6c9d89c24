#pragma once

// Waits of the application's tests that end on a condition, never after a guessed time.

#include "platform/SerialQueue.h"

#include <QCoreApplication>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <memory>
#include <sys/ioctl.h>

namespace OlvTests {

// Runs the event loop until a timer of `delay`, started now, has fired. A single-shot timer of
// that delay or a shorter one, started before this call, has then fired too: what it would do
// has been done (or was never going to happen). The limit only guards against a stuck loop.
inline bool waitPastTimersOf(std::chrono::milliseconds delay)
{
    auto fired = std::make_shared<bool>(false);
    QTimer::singleShot(delay, QCoreApplication::instance(), [fired] { *fired = true; });
    return QTest::qWaitFor([&] { return *fired; }, static_cast<int>(delay.count()) + 30'000);
}

// Runs the event loop until the jobs given to `queue` before this call have run and what they
// posted back to the main thread has been delivered.
inline bool waitForQueue(Platform::SerialQueue& queue)
{
    auto ran = std::make_shared<std::atomic<bool>>(false);
    queue.async([ran] { *ran = true; });
    if (!QTest::qWaitFor([&] { return ran->load(); }, 30'000))
        return false;
    // What the last job posted back is queued before this turn's posted events end.
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents();
    return true;
}

// Runs the event loop until nothing waits to be read on `descriptor` (a watcher's inotify
// descriptor: its owner has taken the events that were there).
inline bool waitUntilDescriptorRead(int descriptor)
{
    return QTest::qWaitFor(
        [descriptor] {
            int waiting = 0;
            return ::ioctl(descriptor, FIONREAD, &waiting) == 0 && waiting == 0;
        },
        30'000);
}

} // namespace OlvTests
