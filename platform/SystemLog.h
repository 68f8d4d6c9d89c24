#pragma once

#include <string_view>

// Diagnostic messages for the system log (syslog), with the subsystem as the ident and the
// category leading the message.
namespace Platform::SystemLog {

enum class Level { debug, info, notice, error, fault };

void write(std::string_view subsystem,
           std::string_view category,
           Level level,
           std::string_view message);

} // namespace Platform::SystemLog
