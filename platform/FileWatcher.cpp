#include "platform/FileWatcher.h"

#include "platform/InotifyEvents.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Platform {
namespace {

constexpr std::uint32_t watchMask =
    IN_MODIFY | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT;

unsigned eventsOf(std::uint32_t mask)
{
    unsigned events = 0;
    if (mask & IN_MODIFY)
        events |= FileEvents::write;
    if (mask & IN_ATTRIB)
        events |= FileEvents::attrib;
    if (mask & IN_DELETE_SELF)
        events |= FileEvents::deleted;
    if (mask & IN_MOVE_SELF)
        events |= FileEvents::rename;
    if (mask & IN_UNMOUNT)
        events |= FileEvents::revoke;
    return events;
}

} // namespace

FileWatcher::FileWatcher(std::filesystem::path path,
                         std::function<void()> onChange,
                         Scheduler scheduler)
    : m_path(std::move(path))
    , m_onChange(std::move(onChange))
    , m_scheduler(std::move(scheduler))
    , m_descriptor(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
{}

FileWatcher::~FileWatcher()
{
    if (m_descriptor >= 0)
        ::close(m_descriptor);
}

void FileWatcher::start()
{
    if (m_descriptor < 0 || m_watch >= 0)
        return;
    // The file itself, not a link to it: a link replaced on disk is still the file's business.
    int watch = ::inotify_add_watch(m_descriptor, m_path.c_str(), watchMask);
    if (watch < 0)
        return;
    struct stat info
    {};
    if (::stat(m_path.c_str(), &info) == 0) {
        m_device = static_cast<std::uint64_t>(info.st_dev);
        m_inode = static_cast<std::uint64_t>(info.st_ino);
    } else {
        m_device = m_inode = 0;
    }
    m_watch = watch;
}

void FileWatcher::stop()
{
    ++m_generation;
    disarm();
}

void FileWatcher::disarm()
{
    if (m_watch < 0)
        return;
    ::inotify_rm_watch(m_descriptor, m_watch);
    m_watch = -1;
}

unsigned FileWatcher::handleEvents()
{
    if (m_descriptor < 0)
        return 0;
    unsigned events = 0;
    bool watchRemoved = false;
    alignas(inotify_event) std::array<char, 4096> buffer{};
    readInotifyEvents(m_descriptor, buffer, [&](const inotify_event& event, std::string_view) {
        // Events of an earlier watch (its removal is reported late) are not this file's.
        if (m_watch < 0 || event.wd != m_watch)
            return;
        events |= eventsOf(event.mask);
        if (event.mask & IN_IGNORED)
            watchRemoved = true;
    });
    if (m_watch < 0)
        return 0;
    // A rename over the path only changes the link count of the old file as long as something
    // still holds it open; the path then names another file, which counts as a rename.
    if ((events & FileEvents::attrib) && !(events & FileEvents::gone)) {
        struct stat info
        {};
        if (::stat(m_path.c_str(), &info) != 0 || static_cast<std::uint64_t>(info.st_ino) != m_inode
            || static_cast<std::uint64_t>(info.st_dev) != m_device)
            events |= FileEvents::rename;
    }
    if (watchRemoved && !(events & FileEvents::gone))
        events |= FileEvents::revoke;
    if (events == 0)
        return 0;
    std::weak_ptr<char> alive = m_alive;
    if (m_onChange)
        m_onChange();
    // The owner may have dropped the watcher while it was told.
    if (!alive.lock())
        return events;
    if ((events & FileEvents::gone) && m_watch >= 0) {
        disarm();
        if (m_scheduler) {
            std::uint64_t generation = m_generation;
            m_scheduler(restartDelay, [this, alive, generation] {
                if (alive.lock())
                    restart(generation);
            });
        }
    }
    return events;
}

void FileWatcher::restart(std::uint64_t generation)
{
    if (generation != m_generation)
        return;
    start();
    // Nothing watched the file now at the path since the disarm: whatever was written to it
    // meanwhile raised no event, so the re-arm itself is the sign of change.
    if (isArmed() && m_onChange)
        m_onChange();
}

} // namespace Platform
