#include "package_runner.h"

#include "ansi_to_wide.h"
#include "package_path.h"
#include "scoped_handle.h"
#include "start_decision.h"

#include <windows.h>
#include <shellapi.h>

#include <fstream>
#include <string>

namespace {

bool PackagePresent()
{
    std::ifstream package(kPackagePath, std::ios::in | std::ios::binary);
    return package.is_open();
}

// Starts the package; on success `process` holds its process handle and
// `thread` its first thread's, when the start gave one.
bool StartPackage(ScopedHandle& process, ScopedHandle& thread)
{
    // CreateProcessW may write into its command line, so it needs a buffer of
    // its own. The path alone is the command line: the package gets no
    // arguments, and the leading ".\" keeps the search path out of it.
    std::wstring commandLine = AnsiToWide(kPackagePath);
    if (commandLine.empty())
        return false;

    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    if (CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &started)) {
        process.reset(started.hProcess);
        thread.reset(started.hThread);
        return true;
    }
    if (DecideAfterFailedStart(GetLastError()) != FailedStartAction::StartElevated)
        return false;

    SHELLEXECUTEINFOW elevated = {};
    elevated.cbSize = sizeof elevated;
    elevated.fMask = SEE_MASK_NOCLOSEPROCESS;
    elevated.lpVerb = L"runas";
    elevated.lpFile = commandLine.c_str();
    elevated.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&elevated) || elevated.hProcess == nullptr)
        return false;  // the player refused the prompt
    process.reset(elevated.hProcess);
    return true;
}

}  // namespace

int RunPackage()
{
    if (!PackagePresent())
        return 1;
    ScopedHandle process;
    ScopedHandle thread;
    if (!StartPackage(process, thread))
        return 1;
    // Only the package's own process is waited for; what it starts in its
    // turn may outlive it.
    WaitForSingleObject(process.get(), INFINITE);
    process.reset();
    thread.reset();
    DeleteFileA(kPackagePath);
    return 0;
}
