#pragma once

// What to do after CreateProcessW refused the package.
enum class FailedStartAction {
    GiveUp,          // exit 1, leave the package in place
    StartElevated,   // the package asks for elevation: start it through the shell with "runas"
};

// Win32 error ERROR_ELEVATION_REQUIRED, spelled out so this decision needs no
// Windows headers and is tested natively.
constexpr unsigned long kErrorElevationRequired = 740;

FailedStartAction DecideAfterFailedStart(unsigned long lastError);
