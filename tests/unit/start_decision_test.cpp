#include "start_decision.h"

#include <gtest/gtest.h>

TEST(StartDecision, OnlyElevationRequiredGoesThroughTheShell)
{
    EXPECT_EQ(DecideAfterFailedStart(740), FailedStartAction::StartElevated);
    const unsigned long finalErrors[] = {2 /* file not found */, 5 /* access denied */,
                                         193 /* not a valid application */, 0};
    for (unsigned long error : finalErrors)
        EXPECT_EQ(DecideAfterFailedStart(error), FailedStartAction::GiveUp) << error;
}
