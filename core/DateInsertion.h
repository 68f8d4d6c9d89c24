#pragma once

#include <chrono>
#include <string>
#include <string_view>

// The text of the insert-date command.
namespace EditorCore::DateInsertion {

inline constexpr std::u16string_view defaultFormat = u"yyyy-MM-dd HH:mm";

// Formats the date with a Unicode date field pattern (the default one when `format` is empty)
// in the locale en_US_POSIX, so digits and names stay in English form whatever the user's
// language. `timeZone` is an IANA identifier such as "Asia/Seoul"; an unknown one reads as GMT.
// Empty when the pattern is malformed.
std::u16string text(std::chrono::system_clock::time_point date,
                    std::u16string_view format,
                    std::string_view timeZone);

// The IANA identifier of the system's time zone, for callers that have no other source.
std::string currentTimeZone();

} // namespace EditorCore::DateInsertion
