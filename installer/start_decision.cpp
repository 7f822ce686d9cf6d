#include "start_decision.h"

FailedStartAction DecideAfterFailedStart(unsigned long lastError)
{
    // Setup programs built by the common installer builders declare
    // requireAdministrator; CreateProcess never shows the consent prompt, so
    // only the shell can start them. Every other error is final.
    return lastError == kErrorElevationRequired ? FailedStartAction::StartElevated
                                                : FailedStartAction::GiveUp;
}
