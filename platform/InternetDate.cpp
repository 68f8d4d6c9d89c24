#include "platform/InternetDate.h"

#include <cstdio>

namespace Platform::InternetDate {
namespace {

// Reads exactly `count` ASCII digits at `position`.
std::optional<int> digits(std::string_view text, std::size_t position, std::size_t count)
{
    if (position + count > text.size())
        return std::nullopt;
    int value = 0;
    for (std::size_t i = position; i < position + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

} // namespace

std::string format(std::chrono::sys_seconds seconds)
{
    using namespace std::chrono;
    auto days = floor<std::chrono::days>(seconds);
    year_month_day date(days);
    hh_mm_ss clock(seconds - days);
    char buffer[40];
    std::snprintf(buffer,
                  sizeof buffer,
                  "%04d-%02u-%02uT%02d:%02d:%02dZ",
                  static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()),
                  static_cast<unsigned>(date.day()),
                  static_cast<int>(clock.hours().count()),
                  static_cast<int>(clock.minutes().count()),
                  static_cast<int>(clock.seconds().count()));
    return buffer;
}

std::optional<std::chrono::sys_seconds> parse(std::string_view text)
{
    using namespace std::chrono;
    // 2024-05-01T12:34:56
    auto year = digits(text, 0, 4);
    auto month = digits(text, 5, 2);
    auto day = digits(text, 8, 2);
    auto hour = digits(text, 11, 2);
    auto minute = digits(text, 14, 2);
    auto second = digits(text, 17, 2);
    if (!year || !month || !day || !hour || !minute || !second)
        return std::nullopt;
    if (text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' || text[16] != ':')
        return std::nullopt;
    year_month_day date{std::chrono::year(*year),
                        std::chrono::month(static_cast<unsigned>(*month)),
                        std::chrono::day(static_cast<unsigned>(*day))};
    if (!date.ok() || *hour > 23 || *minute > 59 || *second > 59)
        return std::nullopt;

    std::string_view zone = text.substr(19);
    minutes offset{0};
    if (zone == "Z") {
        // UTC
    } else if (zone.size() == 6 && (zone[0] == '+' || zone[0] == '-') && zone[3] == ':') {
        auto offsetHours = digits(zone, 1, 2);
        auto offsetMinutes = digits(zone, 4, 2);
        if (!offsetHours || !offsetMinutes || *offsetHours > 23 || *offsetMinutes > 59)
            return std::nullopt;
        offset = hours(*offsetHours) + minutes(*offsetMinutes);
        if (zone[0] == '-')
            offset = -offset;
    } else {
        return std::nullopt;
    }
    return sys_days(date) + hours(*hour) + minutes(*minute) + seconds(*second) - offset;
}

} // namespace Platform::InternetDate
