#include "launcher_probe.h"

#include "ansi_to_wide.h"
#include "scoped_handle.h"

#include <windows.h>
#include <tlhelp32.h>

#include <cwchar>

bool IsLauncherRunning()
{
    const std::wstring launcherName = AnsiToWide("Portico.exe");
    ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.valid())
        return false;

    PROCESSENTRY32W entry = {};
    // The record's size differs between 32- and 64-bit builds; a wrong size
    // makes the first call fail and hides a running launcher.
    entry.dwSize = sizeof entry;
    if (!Process32FirstW(snapshot.get(), &entry))
        return false;
    do {
        // Exact and case-sensitive: the launcher's own file name, no path.
        if (std::wcscmp(entry.szExeFile, launcherName.c_str()) == 0)
            return true;
    } while (Process32NextW(snapshot.get(), &entry));
    return false;
}
