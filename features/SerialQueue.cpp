#include "features/SerialQueue.h"

#include <future>
#include <pthread.h>

namespace EditorFeatures {

SerialQueue::SerialQueue(std::string label)
    : m_label(std::move(label))
{
    m_thread = std::thread([this] { run(); });
    const auto dot = m_label.rfind('.');
    const std::string name =
        (dot == std::string::npos ? m_label : m_label.substr(dot + 1)).substr(0, 15);
    pthread_setname_np(m_thread.native_handle(), name.c_str());
}

SerialQueue::~SerialQueue()
{
    {
        const std::lock_guard guard(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void SerialQueue::async(std::function<void()> job)
{
    {
        const std::lock_guard guard(m_mutex);
        m_jobs.push_back(std::move(job));
    }
    m_wake.notify_one();
}

void SerialQueue::sync(const std::function<void()>& job)
{
    if (isCurrent()) {
        job();
        return;
    }
    std::promise<void> done;
    async([&] {
        job();
        done.set_value();
    });
    done.get_future().wait();
}

void SerialQueue::run()
{
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
            if (m_jobs.empty())
                return;
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        job();
    }
}

} // namespace EditorFeatures
