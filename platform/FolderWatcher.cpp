#include "platform/FolderWatcher.h"

#include "platform/InotifyEvents.h"
#include "platform/SystemLog.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <deque>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <string_view>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <unordered_set>

namespace Platform {
namespace {

using Clock = std::chrono::steady_clock;

// No file-level interest beyond what changes a folder's listing or its items: the folder is
// what gets reported.
constexpr std::uint32_t watchMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_MODIFY
                                    | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF;

// How long one turn of the walk may keep the worker from reading events.
constexpr auto walkSlice = std::chrono::milliseconds(5);

std::string joined(const std::string& folder, std::string_view name)
{
    std::string path = folder;
    if (path.empty() || path.back() != '/')
        path += '/';
    path += name;
    return path;
}

std::string reported(const std::string& folder)
{
    return folder.empty() || folder.back() == '/' ? folder : folder + '/';
}

bool isInside(const std::string& path, const std::string& folder)
{
    return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0
           && path[folder.size()] == '/';
}

bool isSameFolder(const std::string& a, const std::string& b)
{
    struct stat first = {};
    struct stat second = {};
    return ::lstat(a.c_str(), &first) == 0 && ::lstat(b.c_str(), &second) == 0
           && first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

} // namespace

struct FolderWatcher::Shared
{
    // Read and dropped on the owner's thread only.
    Handler handler;
    std::atomic<bool> stopped{false};
    std::atomic<bool> treeWatched{false};
    std::atomic<std::size_t> watchCount{0};
};

// Everything below runs on the worker thread, except construction and `wake`.
class FolderWatcher::Worker
{
public:
    Worker(std::string root,
           int inotify,
           int rootWatch,
           int wake,
           Poster poster,
           std::shared_ptr<Shared> shared)
        : m_root(std::move(root))
        , m_inotify(inotify)
        , m_rootWatch(rootWatch)
        , m_wake(wake)
        , m_poster(std::move(poster))
        , m_shared(std::move(shared))
    {
        m_paths.emplace(rootWatch, m_root);
        m_shared->watchCount = 1;
        m_walk.push_back({rootWatch, false});
    }

    ~Worker()
    {
        ::close(m_inotify);
        ::close(m_wake);
    }

    void wake()
    {
        std::uint64_t one = 1;
        [[maybe_unused]] auto written = ::write(m_wake, &one, sizeof one);
    }

    void run()
    {
        while (!m_shared->stopped.load()) {
            if (!m_walk.empty())
                walkForAWhile();
            int timeout = -1;
            if (!m_walk.empty()) {
                timeout = 0;
            } else if (!m_batch.empty()) {
                auto left = std::chrono::ceil<std::chrono::milliseconds>(m_deadline - Clock::now());
                timeout = static_cast<int>(std::max<std::int64_t>(0, left.count()));
            }
            std::array<pollfd, 2> entries = {pollfd{m_inotify, POLLIN, 0},
                                             pollfd{m_wake, POLLIN, 0}};
            int ready = ::poll(entries.data(), entries.size(), timeout);
            if (ready < 0 && errno != EINTR)
                break;
            if (entries[1].revents != 0)
                break;
            if (entries[0].revents & POLLIN)
                readEvents();
            if (!m_batch.empty() && Clock::now() >= m_deadline)
                deliver();
        }
    }

private:
    struct Pending
    {
        int watch;
        // A folder that appeared after the first walk: what it already holds when it is
        // listed may have come before its watch, so it is reported.
        bool appeared;
    };
    struct MoveOut
    {
        std::uint32_t cookie;
        std::string path;
    };

    void walkForAWhile()
    {
        auto end = Clock::now() + walkSlice;
        while (!m_walk.empty() && Clock::now() < end) {
            Pending next = m_walk.front();
            m_walk.pop_front();
            list(next);
        }
        if (m_walk.empty())
            m_shared->treeWatched = true;
    }

    void list(const Pending& pending)
    {
        auto found = m_paths.find(pending.watch);
        if (found == m_paths.end())
            return;
        std::string folder = found->second;
        // Only the root may be a link (the user chose it); below it a link is an item.
        int noFollow = pending.watch == m_rootWatch ? 0 : O_NOFOLLOW;
        int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | noFollow | O_CLOEXEC);
        if (descriptor < 0)
            return;
        DIR* listing = ::fdopendir(descriptor);
        if (listing == nullptr) {
            ::close(descriptor);
            return;
        }
        bool holdsItems = false;
        while (dirent* entry = ::readdir(listing)) {
            std::string_view name = entry->d_name;
            if (name == "." || name == "..")
                continue;
            holdsItems = true;
            bool isFolder = entry->d_type == DT_DIR;
            if (entry->d_type == DT_UNKNOWN) {
                struct stat info = {};
                isFolder = ::fstatat(descriptor, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0
                           && S_ISDIR(info.st_mode);
            }
            if (isFolder && !m_limitReached)
                watch(joined(folder, name), pending.appeared);
        }
        ::closedir(listing);
        if (pending.appeared && holdsItems)
            note(folder);
    }

    void watch(const std::string& path, bool appeared)
    {
        int watch =
            ::inotify_add_watch(m_inotify, path.c_str(), watchMask | IN_ONLYDIR | IN_DONT_FOLLOW);
        if (watch < 0) {
            if (errno == ENOSPC)
                reachLimit();
            return;
        }
        auto known = m_paths.find(watch);
        if (known != m_paths.end()) {
            // The kernel gives one watch per folder. Under another path it is either the same
            // folder reached twice (a bind mount) or a move whose two halves were not paired.
            if (known->second != path && !isSameFolder(known->second, path))
                rename(known->second, path);
            return;
        }
        m_paths.emplace(watch, path);
        ++m_shared->watchCount;
        m_walk.push_back({watch, appeared});
    }

    void reachLimit()
    {
        if (m_limitReached)
            return;
        m_limitReached = true;
        m_walk.clear();
        m_shared->treeWatched = true;
        SystemLog::write("app.orlune.viewer",
                         "folders",
                         SystemLog::Level::error,
                         "The inotify watch limit (fs.inotify.max_user_watches) is reached: "
                             + std::to_string(m_shared->watchCount.load()) + " folders of " + m_root
                             + " are watched, the others are not.");
    }

    void readEvents()
    {
        readInotifyEvents(
            m_inotify, m_buffer, [this](const inotify_event& event, std::string_view name) {
                handle(event, name);
            });
        // The other half of a move comes in the same read; a folder moved out of the tree
        // has none, and its watches would go on naming the old paths.
        for (const auto& move : m_movesOut)
            drop(move.path);
        m_movesOut.clear();
    }

    void handle(const inotify_event& event, std::string_view name)
    {
        if (event.mask & IN_Q_OVERFLOW) {
            note(m_root);
            return;
        }
        auto found = m_paths.find(event.wd);
        if (found == m_paths.end())
            return;
        std::string folder = found->second;
        if (event.mask & IN_IGNORED) {
            m_paths.erase(found);
            --m_shared->watchCount;
            if (event.wd == m_rootWatch)
                note(m_root);
            return;
        }
        if (event.mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT)) {
            // The parent's own events report a folder below the root.
            if (event.wd == m_rootWatch || (event.mask & IN_UNMOUNT))
                note(folder);
            return;
        }
        note(folder);
        if (!(event.mask & IN_ISDIR) || name.empty())
            return;
        std::string child = joined(folder, name);
        if (event.mask & IN_CREATE) {
            watch(child, true);
        } else if (event.mask & IN_MOVED_FROM) {
            m_movesOut.push_back({event.cookie, child});
        } else if (event.mask & IN_MOVED_TO) {
            for (auto move = m_movesOut.begin(); move != m_movesOut.end(); ++move) {
                if (move->cookie == event.cookie) {
                    rename(move->path, child);
                    m_movesOut.erase(move);
                    return;
                }
            }
            watch(child, true);
        }
    }

    // Watches are per folder, not per path: a folder moved inside the tree keeps its watch
    // and the watches below it, now under the new path.
    void rename(const std::string& from, const std::string& to)
    {
        for (auto& [watch, path] : m_paths) {
            if (path == from)
                path = to;
            else if (isInside(path, from))
                path = to + path.substr(from.size());
        }
    }

    void drop(const std::string& folder)
    {
        for (auto entry = m_paths.begin(); entry != m_paths.end();) {
            if (entry->first != m_rootWatch
                && (entry->second == folder || isInside(entry->second, folder))) {
                ::inotify_rm_watch(m_inotify, entry->first);
                entry = m_paths.erase(entry);
                --m_shared->watchCount;
            } else {
                ++entry;
            }
        }
    }

    void note(const std::string& folder)
    {
        std::string path = reported(folder);
        if (m_batch.empty())
            m_deadline = Clock::now() + latency;
        if (m_inBatch.insert(path).second)
            m_batch.push_back(std::move(path));
    }

    void deliver()
    {
        std::vector<std::string> paths = std::move(m_batch);
        m_batch.clear();
        m_inBatch.clear();
        std::shared_ptr<Shared> shared = m_shared;
        m_poster([shared, paths = std::move(paths)] {
            if (shared->stopped.load() || !shared->handler)
                return;
            // A copy: the handler may end the watcher, which drops its own.
            Handler handler = shared->handler;
            handler(paths);
        });
    }

    std::string m_root;
    int m_inotify;
    int m_rootWatch;
    int m_wake;
    Poster m_poster;
    std::shared_ptr<Shared> m_shared;

    std::unordered_map<int, std::string> m_paths; // watch → the folder's present path
    std::deque<Pending> m_walk;                   // watched folders not listed yet
    std::vector<MoveOut> m_movesOut;
    bool m_limitReached = false;

    std::vector<std::string> m_batch; // in the order first seen
    std::unordered_set<std::string> m_inBatch;
    Clock::time_point m_deadline;

    alignas(inotify_event) std::array<char, 64 * 1024> m_buffer;
};

std::unique_ptr<FolderWatcher>
FolderWatcher::create(std::filesystem::path root, Handler handler, Poster poster)
{
    std::string rootPath = root.native();
    while (rootPath.size() > 1 && rootPath.back() == '/')
        rootPath.pop_back();
    if (rootPath.empty() || !poster)
        return nullptr;
    int inotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (inotify < 0)
        return nullptr;
    // The root itself may be reached through a link; nothing below it is.
    int rootWatch = ::inotify_add_watch(inotify, rootPath.c_str(), watchMask | IN_ONLYDIR);
    int wake = rootWatch >= 0 ? ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC) : -1;
    if (wake < 0) {
        ::close(inotify);
        return nullptr;
    }
    std::unique_ptr<FolderWatcher> watcher(new FolderWatcher);
    watcher->m_root = rootPath;
    watcher->m_shared = std::make_shared<Shared>();
    watcher->m_shared->handler = std::move(handler);
    watcher->m_worker = std::make_unique<Worker>(
        rootPath, inotify, rootWatch, wake, std::move(poster), watcher->m_shared);
    watcher->m_thread = std::thread([worker = watcher->m_worker.get()] {
        ::pthread_setname_np(::pthread_self(), "FolderWatcher");
        worker->run();
    });
    return watcher;
}

FolderWatcher::~FolderWatcher()
{
    m_shared->stopped = true;
    m_worker->wake();
    m_thread.join();
    m_worker.reset();
    // Deliveries still queued hold the shared part; they see `stopped` and do nothing.
    m_shared->handler = nullptr;
}

bool FolderWatcher::isTreeWatched() const
{
    return m_shared->treeWatched.load();
}

std::size_t FolderWatcher::watchedFolderCount() const
{
    return m_shared->watchCount.load();
}

} // namespace Platform
