// Runs one fetch with limits from the command line:
//   fetch_tool HOST PORT PATH LOCALFILE CONNECT_MS IDLE_MS CAP_BYTES PROGRESS(0|1)
// Exit code 0 when the fetch succeeded, 1 when it failed, 2 on bad arguments.
#include "console.h"
#include "http_fetch.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <string>

namespace {

std::string Narrow(const wchar_t* wide)
{
    std::string out;
    for (; *wide; ++wide)
        out.push_back(static_cast<char>(*wide));  // test arguments are ASCII
    return out;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv == nullptr || argc != 9)
        return 2;
    const std::string host = Narrow(argv[1]);
    const std::string path = Narrow(argv[3]);
    const std::string localFile = Narrow(argv[4]);
    const int port = std::atoi(Narrow(argv[2]).c_str());
    FetchLimits limits = kPackageLimits;  // no expected size unless set below
    limits.connectTimeoutMs = static_cast<uint32_t>(std::strtoul(Narrow(argv[5]).c_str(), nullptr, 10));
    limits.receiveIdleTimeoutMs = static_cast<uint32_t>(std::strtoul(Narrow(argv[6]).c_str(), nullptr, 10));
    limits.bodyCapBytes = std::strtoull(Narrow(argv[7]).c_str(), nullptr, 10);
    const bool showProgress = Narrow(argv[8]) == "1";
    if (showProgress)
        OpenConsole();
    const bool ok = DownloadToFile(host.c_str(), path.c_str(), port, localFile.c_str(), showProgress, limits);
    if (showProgress)
        CloseConsole();
    return ok ? 0 : 1;
}
