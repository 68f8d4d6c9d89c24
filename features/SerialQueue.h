#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace EditorFeatures {

// One worker thread that runs its jobs one at a time in the order they were queued, named after
// a reverse-DNS label ("app.orlune.viewer.formatter"). The thread carries the label's last
// component as its system name, which is limited to 15 bytes. Destruction runs the jobs already
// queued, then joins the thread.
class SerialQueue
{
public:
    explicit SerialQueue(std::string label);
    ~SerialQueue();
    SerialQueue(const SerialQueue&) = delete;
    SerialQueue& operator=(const SerialQueue&) = delete;

    const std::string& label() const { return m_label; }

    void async(std::function<void()> job);
    // Waits for the job; on the queue's own thread it runs at once instead of waiting for itself.
    void sync(const std::function<void()>& job);
    bool isCurrent() const { return std::this_thread::get_id() == m_thread.get_id(); }

private:
    void run();

    std::string m_label;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_jobs;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace EditorFeatures
