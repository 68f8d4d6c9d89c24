#include "platform/InternetDate.h"

#include <gtest/gtest.h>

using namespace std::chrono;
namespace InternetDate = Platform::InternetDate;

TEST(InternetDate, formatsUtcToTheSecond)
{
    sys_time<milliseconds> time = sys_days(2024y / May / 1) + 12h + 34min + 56s + 999ms;
    EXPECT_EQ(InternetDate::format(time), "2024-05-01T12:34:56Z");
    EXPECT_EQ(InternetDate::format(sys_days(1969y / December / 31) + 23h + 59min + 59s + 500ms),
              "1969-12-31T23:59:59Z");
}

TEST(InternetDate, parsesZuluAndOffsets)
{
    auto expected = sys_days(2024y / May / 1) + 12h + 34min + 56s;
    EXPECT_EQ(InternetDate::parse("2024-05-01T12:34:56Z"), expected);
    EXPECT_EQ(InternetDate::parse("2024-05-01T21:34:56+09:00"), expected);
    EXPECT_EQ(InternetDate::parse("2024-05-01T07:04:56-05:30"), expected);
    EXPECT_EQ(InternetDate::parse("2024-02-29T00:00:00Z"), sys_days(2024y / February / 29));
}

TEST(InternetDate, refusesOtherForms)
{
    for (const char* text : {"2024-05-01T12:34:56.5Z",
                             "2024-05-01T12:34:56",
                             "2024-05-01 12:34:56Z",
                             "2024-05-01t12:34:56z",
                             "2024-05-01T12:34Z",
                             "2024-13-01T12:34:56Z",
                             "2023-02-29T12:34:56Z",
                             "2024-05-01T24:00:00Z",
                             "2024-05-01T12:34:60Z",
                             "2024-05-01T12:34:56+0900",
                             "+2024-05-01T12:34:56Z",
                             "",
                             "2024-05-01T12:34:56Z "}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(InternetDate::parse(text), std::nullopt);
    }
}
