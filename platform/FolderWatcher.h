#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace Platform {

// Watches a folder tree with inotify, one watch per folder, and hands the changed folders to
// a handler on the owner's thread. A worker thread walks the tree breadth first (the upper
// levels are watched first), watches folders created or moved in later, and collects the
// changes of `latency` after the first one into one delivery. Each delivery names folders as
// paths ending in "/"; a change to the root itself (deleted, moved, unmounted) and a lost
// event queue are reported as the root's path. Symbolic links are not followed.
class FolderWatcher
{
public:
    using Handler = std::function<void(const std::vector<std::string>& paths)>;
    // Runs a task on the owner's thread; called from the worker thread.
    using Poster = std::function<void(std::function<void()> task)>;

    static constexpr std::chrono::milliseconds latency{300};

    // None when the kernel refuses an inotify instance or the root cannot be watched (the
    // handler is dropped). The root is used as given, without a trailing "/".
    static std::unique_ptr<FolderWatcher>
    create(std::filesystem::path root, Handler handler, Poster poster);

    // Stops deliveries first: a delivery already posted but not yet run does nothing. Then
    // ends the worker and drops the handler.
    ~FolderWatcher();
    FolderWatcher(const FolderWatcher&) = delete;
    FolderWatcher& operator=(const FolderWatcher&) = delete;

    const std::string& root() const { return m_root; }

    // Whether the first walk of the tree has finished (every folder that could be watched
    // is). Any thread.
    bool isTreeWatched() const;
    // The folders watched at the moment. Any thread.
    std::size_t watchedFolderCount() const;

    struct Shared;
    class Worker;

private:
    FolderWatcher() = default;

    std::string m_root;
    std::shared_ptr<Shared> m_shared;
    std::unique_ptr<Worker> m_worker;
    std::thread m_thread;
};

} // namespace Platform
