#include "progress.h"

#include <gtest/gtest.h>

TEST(Progress, PercentOfTheTenMebibyteMark)
{
    const struct {
        uint64_t received;
        int percent;
    } cases[] = {
        {0, 0},
        {104857, 0},       // one byte short of a hundredth
        {104858, 1},       // a hundredth, rounded up to a whole byte
        {5242880, 50},
        {10380902, 98},    // one byte short of 99 hundredths
        {10380903, 99},
        {10485760, 99},    // the mark itself shows 99, never 100
        {20971520, 99},
        {UINT64_MAX, 99},  // no overflow in the product
    };
    for (const auto& c : cases)
        EXPECT_EQ(DownloadPercent(c.received, 0), c.percent) << c.received;
}

TEST(Progress, PercentOfTheAnnouncedLength)
{
    EXPECT_EQ(DownloadPercent(0, 300000), 0);
    EXPECT_EQ(DownloadPercent(150000, 300000), 50);
    EXPECT_EQ(DownloadPercent(299999, 300000), 99);
    EXPECT_EQ(DownloadPercent(300000, 300000), 99);
    EXPECT_EQ(DownloadPercent(1, 2), 50);
    EXPECT_EQ(DownloadPercent(UINT64_MAX - 1, UINT64_MAX), 99);
    EXPECT_EQ(DownloadPercent(UINT64_MAX / 2, UINT64_MAX), 49);  // product past 64 bits
    EXPECT_EQ(DownloadPercent(UINT64_MAX / 100 + 1, UINT64_MAX), 1);
}

TEST(Progress, LineOverwritesTheConsoleLine)
{
    EXPECT_EQ(ProgressLine(42), L"\r\u5df2\u7ecf\u4e0b\u8f7d 42%");
}

TEST(Progress, PacerWritesOnlyChangesAndNotTooOften)
{
    ProgressPacer pacer = StartProgressPacer(1000);  // the opening line showed 0 % at t = 1000 ms
    const struct {
        int percent;
        uint64_t nowMs;
        bool shown;
    } steps[] = {
        {0, 1500, false},   // the same percentage again
        {5, 1050, false},   // changed, but too soon after the opening line
        {5, 1100, true},
        {5, 1300, false},
        {6, 1150, false},   // too soon after the last line
        {7, 1200, true},
        {99, 1299, false},
        {99, 1300, true},
        {99, 5000, false},
    };
    for (const auto& step : steps)
        EXPECT_EQ(ShouldShowProgress(pacer, step.percent, step.nowMs), step.shown)
            << step.percent << " at " << step.nowMs;
}
