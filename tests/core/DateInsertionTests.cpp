#include "core/DateInsertion.h"

#include <unicode/locid.h>

#include <gtest/gtest.h>

using namespace EditorCore;
using namespace std::chrono;

namespace {

// 2024-05-01T12:34:56Z, a Wednesday.
const system_clock::time_point mayFirst = sys_days{2024y / May / 1} + 12h + 34min + 56s;

} // namespace

TEST(DateInsertion, formatsInTheGivenTimeZone)
{
    struct Case
    {
        const char* name;
        std::u16string format;
        const char* timeZone;
        std::u16string expected;
    };
    const Case cases[] = {
        {"default pattern", u"yyyy-MM-dd HH:mm", "UTC", u"2024-05-01 12:34"},
        {"empty format is the default", u"", "UTC", u"2024-05-01 12:34"},
        {"east of UTC", u"", "Asia/Seoul", u"2024-05-01 21:34"},
        {"west of UTC, summer time", u"", "America/New_York", u"2024-05-01 08:34"},
        {"names in English",
         u"EEEE, MMMM d, yyyy h:mm a",
         "America/New_York",
         u"Wednesday, May 1, 2024 8:34 AM"},
        {"offset and quoted text",
         u"yyyy-MM-dd'T'HH:mm:ssZZZZZ",
         "Asia/Seoul",
         u"2024-05-01T21:34:56+09:00"},
        {"unknown zone reads as GMT", u"HH:mm", "Nowhere/Else", u"12:34"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DateInsertion::text(mayFirst, c.format, c.timeZone), c.expected);
    }
    EXPECT_EQ(DateInsertion::defaultFormat, u"yyyy-MM-dd HH:mm");
}

TEST(DateInsertion, staysInEnglishWhateverTheDefaultLocale)
{
    const icu::Locale saved = icu::Locale::getDefault();
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale::setDefault(icu::Locale("ko_KR"), status);
    const auto text = DateInsertion::text(mayFirst, u"EEE MMM d a", "UTC");
    icu::Locale::setDefault(saved, status);
    EXPECT_EQ(text, u"Wed May 1 PM");
}

TEST(DateInsertion, currentTimeZoneIsAnIdentifier)
{
    EXPECT_FALSE(DateInsertion::currentTimeZone().empty());
}
