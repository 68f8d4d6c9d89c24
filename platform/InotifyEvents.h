#pragma once

#include <cerrno>
#include <cstring>
#include <span>
#include <string_view>
#include <sys/inotify.h>
#include <unistd.h>

namespace Platform {

// Reads every inotify event waiting on the non-blocking `descriptor` into `buffer` (aligned for
// inotify_event, large enough for one event with a name) and hands each to `handle` with the
// name it carries, empty for the watched object itself. Returns when none is left.
template<typename Handler>
void readInotifyEvents(int descriptor, std::span<char> buffer, Handler&& handle)
{
    for (;;) {
        ssize_t length = ::read(descriptor, buffer.data(), buffer.size());
        if (length < 0 && errno == EINTR)
            continue;
        if (length <= 0)
            return;
        for (ssize_t offset = 0; offset < length;) {
            inotify_event event;
            std::memcpy(&event, buffer.data() + offset, sizeof event);
            std::string_view name;
            if (event.len > 0)
                name = std::string_view(buffer.data() + offset + sizeof event);
            offset += static_cast<ssize_t>(sizeof(inotify_event) + event.len);
            handle(event, name);
        }
    }
}

} // namespace Platform
