#pragma once

// True when a process whose executable file name is exactly "Portico.exe"
// runs now; false when none does or the process list cannot be read.
bool IsLauncherRunning();
