#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace Platform {

// One worker thread running jobs one at a time in the order they were submitted. The label
// names the thread (cut to what the kernel keeps). Destroying the queue runs the jobs
// already submitted, then ends the thread.
class SerialQueue
{
public:
    explicit SerialQueue(std::string label);
    ~SerialQueue();
    SerialQueue(const SerialQueue&) = delete;
    SerialQueue& operator=(const SerialQueue&) = delete;

    const std::string& label() const { return m_label; }

    void async(std::function<void()> job);

    // Blocks until every job submitted before the call has run. Not for use from a job.
    void waitUntilIdle();

private:
    void run();

    std::string m_label;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_progress;
    std::deque<std::function<void()>> m_jobs;
    std::uint64_t m_submitted = 0;
    std::uint64_t m_finished = 0;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace Platform
