#include "update_driver.h"

#include "console.h"
#include "fetch_limits.h"
#include "http_fetch.h"
#include "launcher_probe.h"
#include "messages.h"
#include "package_verify.h"
#include "package_path.h"
#include "update_files.h"

#include <windows.h>

#include <cstring>
#include <fstream>
#include <string>

namespace {

constexpr char kLauncherPath[] = ".\\Bin\\Portico.exe";
constexpr char kLauncherCommand[] = ".\\Bin\\Portico.exe -popupwindow";
constexpr char kInstallerCommand[] = ".\\Bin\\Installer.exe";

// WinExec returns a value above 31 when it started the program.
bool StartProgram(const char* commandLine)
{
    return WinExec(commandLine, SW_SHOW) > 31;
}

bool LauncherFilePresent()
{
    std::ifstream launcher(kLauncherPath, std::ios::in | std::ios::binary);
    return launcher.is_open();
}

int FailWithMessage(const wchar_t* message)
{
    ConsoleWrite(message);
    WaitForKey();
    CloseConsole();
    return 1;
}

int ReportConfigurationFailure()
{
    OpenConsole();
    return FailWithMessage(kConfigurationFailedMessage);
}

}  // namespace

int RunUpdate()
{
    VersionInfo remote;
    ClearVersionInfo(remote);

    if (IsLauncherRunning()) {
        OpenConsole();
        return FailWithMessage(kLauncherBusyMessage);
    }

    const std::string localVersion = ReadLocalVersion();
    const ServerAddress server = ReadServerAddress();
    if (!IsUsableAddress(server))
        return ReportConfigurationFailure();
    if (!FetchVersionInfo(server, remote))
        return ReportConfigurationFailure();

    if (localVersion == remote.latestVersion && LauncherFilePresent()) {
        StartProgram(kLauncherCommand);  // a launcher that fails to start is the launcher's matter
        return 0;
    }

    OpenConsole();
    if (remote.latestVersion[0] == '\0' && remote.remoteLatestLauncherUrl[0] == '\0')
        return FailWithMessage(kUpdateFailedMessage);

    ConsoleWrite(kVerifyingMessage);
    ConsoleWrite(kBuildingMessage);
    // A record whose package size or hash cannot be read vouches for nothing.
    if (remote.package.malformed)
        return FailWithMessage(kUpdateFailedMessage);
    FetchLimits limits = kPackageLimits;
    limits.hasExpectedSize = remote.package.sizeNamed;
    limits.expectedSize = remote.package.size;
    if (!DownloadToFile(server.host, remote.remoteLatestLauncherUrl, server.port, kPackagePath, true, limits))
        return FailWithMessage(kUpdateFailedMessage);
    // Installer runs whatever it finds: a package that is not the one the
    // record describes must not stay where it would look.
    if (!PackageMatches(kPackagePath, remote.package)) {
        DeleteFileA(kPackagePath);
        return FailWithMessage(kUpdateFailedMessage);
    }

    // Recording the version for an update that never ran would make every
    // later run start the old launcher as current.
    if (!StartProgram(kInstallerCommand))
        return FailWithMessage(kUpdateFailedMessage);

    // The package is Installer's now; a version that cannot be recorded makes
    // the next run fetch it again, which is safe, but the player must know.
    if (!WriteLocalVersion(remote.latestVersion))
        return FailWithMessage(kUpdateFailedMessage);
    CloseConsole();
    return 0;
}
