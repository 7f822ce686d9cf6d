#include "update_files.h"

#include "http_fetch.h"
#include "text_mode.h"

#include <windows.h>

#include <fstream>
#include <iterator>

namespace {

constexpr char kConfigPath[] = ".\\Bin\\config.dat";
constexpr char kLocalVersionPath[] = ".\\Bin\\launcherVersion.txt";
constexpr char kVersionRecordPath[] = "/remoteLauncherVersion.config";
constexpr char kVersionScratchPath[] = "tempVersion.dat";

// Reads a whole file as bytes; false when it does not open. The files are
// small, and reading them raw lets the text-mode rules be applied the same
// way whichever C runtime the program was built with.
bool ReadWholeFile(const char* path, std::string& content)
{
    std::ifstream stream(path, std::ios::in | std::ios::binary);
    if (!stream.is_open())
        return false;
    content.assign(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
    return true;
}

}  // namespace

std::string ReadLocalVersion()
{
    std::string raw;
    if (!ReadWholeFile(kLocalVersionPath, raw))
        return std::string();
    const std::string text = DecodeTextMode(raw);
    // The version is a C string in every comparison that follows.
    return text.substr(0, text.find('\0'));
}

ServerAddress ReadServerAddress()
{
    std::string raw;
    ReadWholeFile(kConfigPath, raw);  // a missing file reads as empty: no address
    return ParseServerAddress(DecodeTextMode(raw));
}

bool WriteLocalVersion(const std::string& version)
{
    const std::string raw = EncodeTextMode(version);
    std::ofstream stream(kLocalVersionPath, std::ios::out | std::ios::binary | std::ios::trunc);
    if (!stream.is_open())
        return false;
    stream.write(raw.data(), static_cast<std::streamsize>(raw.size()));
    stream.close();
    return !stream.fail();
}

bool FetchVersionInfo(const ServerAddress& address, VersionInfo& info)
{
    if (!DownloadToFile(address.host, kVersionRecordPath, address.port, kVersionScratchPath, false,
                        kVersionRecordLimits))
        return false;

    char record[kVersionRecordExamined];
    size_t length = 0;
    {
        std::ifstream stream(kVersionScratchPath, std::ios::in | std::ios::binary);
        if (!stream.is_open())
            return false;
        stream.read(record, sizeof record);
        length = static_cast<size_t>(stream.gcount());
    }
    // The scratch copy goes before anything is made of it.
    DeleteFileA(kVersionScratchPath);
    ParseVersionRecord(record, length, info);
    return true;
}
