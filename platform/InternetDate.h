#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

// ISO 8601 internet date and time (RFC 3339) to the whole second, as 2024-05-01T12:34:56Z.
namespace Platform::InternetDate {

// Always UTC with the suffix Z.
std::string format(std::chrono::sys_seconds time);

// A fraction of a second is dropped (rounded toward the past).
template<class Duration>
std::string format(std::chrono::sys_time<Duration> time)
{
    return format(std::chrono::floor<std::chrono::seconds>(time));
}

// Accepts YYYY-MM-DDTHH:MM:SS followed by Z or a numeric offset (+hh:mm, -hh:mm). A fraction
// of a second, a lower-case t or z, a missing offset and impossible dates are refused.
std::optional<std::chrono::sys_seconds> parse(std::string_view text);

} // namespace Platform::InternetDate
