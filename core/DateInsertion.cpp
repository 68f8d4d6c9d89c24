#include "core/DateInsertion.h"

#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <limits>
#include <memory>

namespace EditorCore::DateInsertion {

std::u16string text(std::chrono::system_clock::time_point date,
                    std::u16string_view format,
                    std::string_view timeZone)
{
    if (format.empty())
        format = defaultFormat;
    if (format.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        return {};

    UErrorCode status = U_ZERO_ERROR;
    const icu::UnicodeString pattern(format.data(), static_cast<std::int32_t>(format.size()));
    icu::SimpleDateFormat formatter(pattern, icu::Locale("en_US_POSIX"), status);
    if (U_FAILURE(status))
        return {};
    formatter.adoptTimeZone(icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(
        icu::StringPiece(timeZone.data(), static_cast<std::int32_t>(timeZone.size())))));

    const auto milliseconds =
        std::chrono::duration_cast<std::chrono::milliseconds>(date.time_since_epoch()).count();
    icu::UnicodeString formatted;
    icu::FieldPosition position;
    formatter.format(static_cast<UDate>(milliseconds), formatted, position, status);
    if (U_FAILURE(status))
        return {};
    return std::u16string(formatted.getBuffer(), static_cast<std::size_t>(formatted.length()));
}

std::string currentTimeZone()
{
    std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::detectHostTimeZone());
    if (!zone)
        return "GMT";
    icu::UnicodeString identifier;
    zone->getID(identifier);
    std::string result;
    identifier.toUTF8String(result);
    return result;
}

} // namespace EditorCore::DateInsertion
