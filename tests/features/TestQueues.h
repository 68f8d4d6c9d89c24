#pragma once

#include "features/SyntaxSession.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace EditorFeatures::TestQueues {

// Keeps posted jobs until the test runs them, on the test's own thread: the test decides
// exactly which requests are made before which job runs.
class HeldQueue
{
public:
    SyntaxSession::JobPoster poster()
    {
        return [this](SyntaxSession::Job job) {
            std::lock_guard guard(m_mutex);
            m_jobs.push_back(std::move(job));
        };
    }

    std::size_t pending()
    {
        std::lock_guard guard(m_mutex);
        return m_jobs.size();
    }

    // Also runs the jobs that jobs post.
    void runAll()
    {
        for (;;) {
            SyntaxSession::Job job;
            {
                std::lock_guard guard(m_mutex);
                if (m_jobs.empty())
                    return;
                job = std::move(m_jobs.front());
                m_jobs.pop_front();
            }
            job();
        }
    }

private:
    std::mutex m_mutex;
    std::deque<SyntaxSession::Job> m_jobs;
};

// One worker thread, first in first out: what the editor's serial queue does. Destroying it
// runs the jobs already posted.
class WorkerQueue
{
public:
    WorkerQueue()
        : m_thread([this] { run(); })
    {}

    ~WorkerQueue()
    {
        {
            std::lock_guard guard(m_mutex);
            m_stopping = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }

    SyntaxSession::JobPoster poster()
    {
        return [this](SyntaxSession::Job job) {
            {
                std::lock_guard guard(m_mutex);
                m_jobs.push_back(std::move(job));
                ++m_posted;
            }
            m_wake.notify_all();
        };
    }

    void waitUntilIdle()
    {
        std::unique_lock guard(m_mutex);
        auto target = m_posted;
        m_wake.wait(guard, [&] { return m_finished >= target; });
    }

private:
    void run()
    {
        std::unique_lock guard(m_mutex);
        for (;;) {
            m_wake.wait(guard, [&] { return m_stopping || !m_jobs.empty(); });
            if (m_jobs.empty())
                return;
            auto job = std::move(m_jobs.front());
            m_jobs.pop_front();
            guard.unlock();
            job();
            job = nullptr;
            guard.lock();
            ++m_finished;
            m_wake.notify_all();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<SyntaxSession::Job> m_jobs;
    std::size_t m_posted = 0;
    std::size_t m_finished = 0;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace EditorFeatures::TestQueues
