// The launch report's pieces: reading the kernel's process files and formatting the line.

#include "app/shell/LaunchMeasurement.h"

#include <gtest/gtest.h>

namespace LaunchMeasurement = EditorShell::LaunchMeasurement;

TEST(LaunchMeasurement, readsTheStartTimeAfterTheCommandName)
{
    // Fields 3 to 22 after the command name; the start time (field 22) is 12345 ticks.
    const std::string tail = " S 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 12345 99 100";
    struct Case
    {
        std::string stat;
        std::optional<double> seconds;
    };
    const Case cases[] = {
        {"42 (orlune-viewer)" + tail, 123.45},
        // A command name may hold spaces and parentheses of its own.
        {"42 (a (b) c) d)" + tail, 123.45},
        {"42 (short) S 1 2 3", std::nullopt},
        {"no parenthesis at all", std::nullopt},
        {"42 (x) S 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 12z45", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LaunchMeasurement::startSecondsFromStat(c.stat, 100), c.seconds) << c.stat;
    EXPECT_EQ(LaunchMeasurement::startSecondsFromStat("42 (x)" + tail, 0), std::nullopt);
}

TEST(LaunchMeasurement, readsTheResidentSetInMebibytes)
{
    EXPECT_EQ(LaunchMeasurement::residentMBFromStatus(
                  "Name:\tx\nVmHWM:\t 9999 kB\nVmRSS:\t   51200 kB\n"),
              50.0);
    EXPECT_EQ(LaunchMeasurement::residentMBFromStatus("Name:\tx\nVmHWM:\t 9999 kB\n"),
              std::nullopt);
    EXPECT_EQ(LaunchMeasurement::residentMBFromStatus("VmRSS:\tmany\n"), std::nullopt);
}

TEST(LaunchMeasurement, formatsTheReportLine)
{
    EXPECT_EQ(LaunchMeasurement::reportLine(412.4, 58.34, {{"main", 35.2}, {"m.language", 36.6}}),
              "firstWindowMs=412 footprintMB=58.3 phases=main:35,m.language:37\n");
    // Failures are written as -1 and -1.0; no phases leave the list empty.
    EXPECT_EQ(LaunchMeasurement::reportLine(-1.0, -1.0, {}),
              "firstWindowMs=-1 footprintMB=-1.0 phases=\n");
}

TEST(LaunchMeasurement, withoutTheOutputNothingIsNoted)
{
    ASSERT_FALSE(LaunchMeasurement::isEnabled());
    LaunchMeasurement::mark("main");
    LaunchMeasurement::start();
    EXPECT_TRUE(LaunchMeasurement::phases().empty());
    // The kernel tells this process's age and size.
    EXPECT_GE(LaunchMeasurement::millisecondsSinceLaunch(), 0.0);
    EXPECT_GT(LaunchMeasurement::footprintMB(), 1.0);
}
