#pragma once

#include "platform/AppSocket.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

// Listens on the application's socket like the running application: every connection hands
// over one message, which is recorded and answered with `reply` ("ok\n" unless told otherwise;
// an empty reply closes the connection without a word).
class FakeApplication
{
public:
    explicit FakeApplication(std::filesystem::path socketPath, std::string reply = "ok\n")
        : m_path(std::move(socketPath))
        , m_reply(std::move(reply))
    {
        auto listener = Platform::AppSocket::listen(m_path);
        if (!listener)
            return;
        m_listener = *listener;
        m_thread = std::thread([this] { serve(); });
    }
    ~FakeApplication()
    {
        m_stopping = true;
        if (m_thread.joinable())
            m_thread.join();
        if (m_listener >= 0) {
            ::close(m_listener);
            ::unlink(m_path.c_str());
        }
    }
    FakeApplication(const FakeApplication&) = delete;
    FakeApplication& operator=(const FakeApplication&) = delete;

    bool isListening() const { return m_listener >= 0; }

    // The first message not taken yet, once it has come; none after `timeout`.
    std::optional<std::string>
    nextMessage(std::chrono::milliseconds timeout = std::chrono::seconds(10))
    {
        std::unique_lock lock(m_mutex);
        if (!m_arrived.wait_for(lock, timeout, [this] { return m_taken < m_messages.size(); }))
            return std::nullopt;
        return m_messages[m_taken++];
    }

    // Replies wait until released (5 s at most), as an application busy with something else.
    void holdReplies()
    {
        std::lock_guard lock(m_mutex);
        m_holding = true;
    }
    void releaseReplies()
    {
        std::lock_guard lock(m_mutex);
        m_holding = false;
        m_released.notify_all();
    }
    // Whether a held reply gave up waiting for its release.
    bool aHeldReplyTimedOut()
    {
        std::lock_guard lock(m_mutex);
        return m_heldReplyTimedOut;
    }

private:
    void serve()
    {
        while (!m_stopping) {
            pollfd wait{m_listener, POLLIN, 0};
            if (::poll(&wait, 1, 20) <= 0)
                continue;
            int client = ::accept(m_listener, nullptr, nullptr);
            if (client < 0)
                continue;
            std::string message;
            char buffer[256];
            while (message.find('\n') == std::string::npos) {
                ssize_t got = ::read(client, buffer, sizeof buffer);
                if (got <= 0)
                    break;
                message.append(buffer, static_cast<std::size_t>(got));
            }
            {
                std::unique_lock lock(m_mutex);
                if (!m_released.wait_for(
                        lock, std::chrono::seconds(5), [this] { return !m_holding; }))
                    m_heldReplyTimedOut = true;
            }
            if (!m_reply.empty())
                (void)!::write(client, m_reply.data(), m_reply.size());
            ::close(client);
            std::lock_guard lock(m_mutex);
            m_messages.push_back(std::move(message));
            m_arrived.notify_all();
        }
    }

    std::filesystem::path m_path;
    std::string m_reply;
    int m_listener = -1;
    std::atomic<bool> m_stopping = false;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::condition_variable m_released;
    bool m_holding = false;
    bool m_heldReplyTimedOut = false;
    std::vector<std::string> m_messages;
    std::size_t m_taken = 0;
};
