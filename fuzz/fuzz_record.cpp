// Fuzzes the remote version record parser, package keys included.
#include "version_record.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

bool HasBlank(const char* text)
{
    for (; *text; ++text) {
        if (*text == ' ' || *text == '\t' || *text == '\n' || *text == '\v' || *text == '\f' || *text == '\r')
            return true;
    }
    return false;
}

void CheckField(const char* field, size_t size)
{
    // Terminated inside the field, and a stored value never holds white space.
    if (std::memchr(field, '\0', size) == nullptr || HasBlank(field))
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    VersionInfo info;
    ClearVersionInfo(info);
    ParseVersionRecord(reinterpret_cast<const char*>(data), size, info);
    CheckField(info.latestVersion, sizeof info.latestVersion);
    CheckField(info.remoteLatestLauncherUrl, sizeof info.remoteLatestLauncherUrl);
    // Keys past the examined bytes must not count.
    if (size <= kVersionRecordExamined && info.latestVersion[0] != '\0' &&
        std::strstr(std::string(reinterpret_cast<const char*>(data), size).c_str(), "latestVersion=") == nullptr)
        std::abort();
    return 0;
}
