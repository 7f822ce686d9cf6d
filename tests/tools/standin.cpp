// Test stand-in for the launcher, for Installer and for the package.
//
// On start it appends one line to "<own path>.log" (UTF-8):
//     <tag> TAB <command line> TAB <current directory> LF
// then runs the script appended to its own file after the marker line
// "#STANDIN-SCRIPT#" (Windows ignores bytes after the image), one command a line:
//     tag TEXT            (read before logging) the log line's first field
//     hold                wait while "<own path>.hold" exists (at most 120 s)
//     sleep MS
//     exit N              exit code N (default 0)
//     write FILE TEXT     create FILE holding TEXT
//     copyself DEST [TAG] copy own image without script to DEST, with "tag TAG" as its script
//     spawn CMDLINE       start a program and do not wait for it
//     lock FILE MS        hold FILE open, sharing nothing, for MS milliseconds
#include <windows.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

// The marker "\n#STANDIN-SCRIPT#\n", each byte but the line feeds one higher:
// stored plainly, it would be found inside this very image.
const char kEncodedMarker[] = "\n$TUBOEJO.TDSJQU$\n";

std::string ScriptMarker()
{
    std::string marker = kEncodedMarker;
    for (char& c : marker) {
        if (c != '\n')
            --c;
    }
    return marker;
}

std::string ToUtf8(const std::wstring& wide)
{
    if (wide.empty())
        return std::string();
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), static_cast<int>(wide.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), static_cast<int>(wide.size()), &out[0], n, nullptr, nullptr);
    return out;
}

std::wstring OwnPath()
{
    wchar_t path[MAX_PATH * 4];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
    return std::wstring(path, n);
}

std::string ReadAll(const std::wstring& path)
{
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void AppendLog(const std::wstring& path, const std::string& line)
{
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    const std::wstring self = OwnPath();
    const std::string image = ReadAll(self);
    const std::string marker = ScriptMarker();
    const size_t markerAt = image.find(marker);
    const std::string script = markerAt == std::string::npos ? std::string() : image.substr(markerAt + marker.size());
    const std::string plainImage = image.substr(0, markerAt);

    std::vector<std::string> lines;
    std::istringstream scriptStream(script);
    for (std::string line; std::getline(scriptStream, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            lines.push_back(line);
    }

    std::string tag;
    for (const std::string& line : lines) {
        if (line.compare(0, 4, "tag ") == 0)
            tag = line.substr(4);
    }
    wchar_t cwd[MAX_PATH * 4];
    const DWORD cwdLength = GetCurrentDirectoryW(MAX_PATH * 4, cwd);
    AppendLog(self + L".log",
              tag + "\t" + ToUtf8(GetCommandLineW()) + "\t" + ToUtf8(std::wstring(cwd, cwdLength)) + "\n");

    int exitCode = 0;
    for (const std::string& line : lines) {
        std::istringstream words(line);
        std::string command;
        words >> command;
        if (command == "hold") {
            const std::wstring hold = self + L".hold";
            for (int i = 0; i < 1200 && GetFileAttributesW(hold.c_str()) != INVALID_FILE_ATTRIBUTES; ++i)
                Sleep(100);
        } else if (command == "sleep") {
            DWORD ms = 0;
            words >> ms;
            Sleep(ms);
        } else if (command == "exit") {
            words >> exitCode;
        } else if (command == "write") {
            std::string file, text;
            words >> file;
            std::getline(words >> std::ws, text);
            std::ofstream(file.c_str(), std::ios::binary) << text;
        } else if (command == "copyself") {
            std::string dest, newTag;
            words >> dest >> newTag;
            std::ofstream out(dest.c_str(), std::ios::binary);
            out << plainImage;
            if (!newTag.empty())
                out << marker << "tag " << newTag << "\n";
        } else if (command == "spawn") {
            std::string commandLine;
            std::getline(words >> std::ws, commandLine);
            STARTUPINFOA startup = {};
            startup.cb = sizeof startup;
            PROCESS_INFORMATION started = {};
            if (CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               &started)) {
                CloseHandle(started.hProcess);
                CloseHandle(started.hThread);
            }
        } else if (command == "lock") {
            std::string file;
            DWORD ms = 0;
            words >> file >> ms;
            HANDLE held = CreateFileA(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
            AppendLog(self + L".log", held == INVALID_HANDLE_VALUE ? "lock failed\n" : "locked\n");
            Sleep(ms);
            if (held != INVALID_HANDLE_VALUE)
                CloseHandle(held);
        }
    }
    return exitCode;
}
