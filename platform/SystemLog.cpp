#include "platform/SystemLog.h"

#include <mutex>
#include <string>
#include <syslog.h>

namespace Platform::SystemLog {
namespace {

int priority(Level level)
{
    switch (level) {
    case Level::debug:
        return LOG_DEBUG;
    case Level::info:
        return LOG_INFO;
    case Level::notice:
        return LOG_NOTICE;
    case Level::error:
        return LOG_ERR;
    case Level::fault:
        return LOG_CRIT;
    }
    return LOG_NOTICE;
}

} // namespace

void write(std::string_view subsystem,
           std::string_view category,
           Level level,
           std::string_view message)
{
    // openlog keeps the ident pointer, so the text must outlive every later syslog call.
    static std::mutex mutex;
    static std::string ident;
    std::lock_guard lock(mutex);
    if (ident != subsystem) {
        ident = subsystem;
        ::openlog(ident.c_str(), LOG_PID, LOG_USER);
    }
    ::syslog(priority(level),
             "[%.*s] %.*s",
             static_cast<int>(category.size()),
             category.data(),
             static_cast<int>(message.size()),
             message.data());
}

} // namespace Platform::SystemLog
