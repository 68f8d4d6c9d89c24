#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>

namespace Platform {

// What happened to a watched file, as a set of bits. The kernel does not tell a write from an
// append, so both arrive as `write`.
namespace FileEvents {
inline constexpr unsigned write = 1u << 0;
inline constexpr unsigned extend = 1u << 1;
inline constexpr unsigned deleted = 1u << 2;
inline constexpr unsigned rename = 1u << 3;
inline constexpr unsigned revoke = 1u << 4;
inline constexpr unsigned attrib = 1u << 5;
// After any of these the watch no longer names the file at the path.
inline constexpr unsigned gone = deleted | rename | revoke;
} // namespace FileEvents

// A kernel watch (inotify) on one file's path. Single-threaded: the owner waits for
// `descriptor()` to become readable on its main loop and then calls `handleEvents`; the
// watcher hands its delayed restarts to the owner's scheduler, which runs them on that same
// loop. After the file was deleted, renamed or its volume went away, the watch is disarmed
// and the path is watched anew `restartDelay` later, so a file replaced by another one at the
// same path (a program that writes a new file and renames it over the old one) is seen again;
// that re-arm calls onChange once more, as what the new file went through before it is unseen.
class FileWatcher
{
public:
    using Scheduler =
        std::function<void(std::chrono::milliseconds delay, std::function<void()> task)>;
    static constexpr std::chrono::milliseconds restartDelay{500};

    // Not armed yet: call `start`.
    FileWatcher(std::filesystem::path path, std::function<void()> onChange, Scheduler scheduler);
    ~FileWatcher();
    FileWatcher(const FileWatcher&) = delete;
    FileWatcher& operator=(const FileWatcher&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    // Readable when events wait; the same for the watcher's whole life. -1 when the kernel
    // refused an inotify instance (the watcher then never arms).
    int descriptor() const { return m_descriptor; }
    bool isArmed() const { return m_watch >= 0; }

    // Arms the watch when it is not armed. A path that cannot be watched (missing file, no
    // permission) leaves the watcher unarmed, silently.
    void start();
    // Disarms for good: a restart that is still pending does nothing.
    void stop();

    // Reads the waiting events without blocking; when there were any, calls onChange once and
    // disarms (scheduling the restart) when the file is gone from the path. Returns the events
    // (0 when none concerned the current watch).
    unsigned handleEvents();

private:
    void disarm();
    void restart(std::uint64_t generation);

    std::filesystem::path m_path;
    std::function<void()> m_onChange;
    Scheduler m_scheduler;
    int m_descriptor = -1;
    int m_watch = -1;
    std::uint64_t m_device = 0;
    std::uint64_t m_inode = 0;
    // Counts stops, so that a restart scheduled before a stop is dropped.
    std::uint64_t m_generation = 0;
    // Restarts hold this weakly; they do nothing once the watcher is gone.
    std::shared_ptr<char> m_alive = std::make_shared<char>();
};

} // namespace Platform
