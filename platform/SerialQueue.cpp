#include "platform/SerialQueue.h"

#include <pthread.h>

namespace Platform {

SerialQueue::SerialQueue(std::string label)
    : m_label(std::move(label))
{
    m_thread = std::thread([this] { run(); });
    // The kernel keeps 15 characters of a thread name; the end of a label is its telling part.
    std::string name = m_label.size() > 15 ? m_label.substr(m_label.size() - 15) : m_label;
    pthread_setname_np(m_thread.native_handle(), name.c_str());
}

SerialQueue::~SerialQueue()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void SerialQueue::async(std::function<void()> job)
{
    {
        std::lock_guard lock(m_mutex);
        m_jobs.push_back(std::move(job));
        ++m_submitted;
    }
    m_wake.notify_one();
}

void SerialQueue::waitUntilIdle()
{
    std::unique_lock lock(m_mutex);
    auto target = m_submitted;
    m_progress.wait(lock, [&] { return m_finished >= target; });
}

void SerialQueue::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [&] { return m_stopping || !m_jobs.empty(); });
        if (m_jobs.empty())
            return; // stopping, and nothing left to run
        auto job = std::move(m_jobs.front());
        m_jobs.pop_front();
        lock.unlock();
        if (job)
            job();
        lock.lock();
        ++m_finished;
        m_progress.notify_all();
    }
}

} // namespace Platform
