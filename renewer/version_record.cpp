#include "version_record.h"

#include <cstring>

/* Remote version record: free text in any layout. Examined are its first 1024
   bytes, up to the first NUL among them. Recognised keys:
       latestVersion=<value>
       remoteLatestLauncherUrl=<value>
   A key is found at its first occurrence, also inside a longer word; "=" must
   follow it at once; white space (line ends included) after "=" is skipped;
   the value runs to the next white space or the end of the text. Values are
   taken byte for byte: no quoting, escaping or comments. A value too long for
   its field leaves the field empty. */

namespace {

bool IsCSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

size_t FindBytes(const char* text, size_t length, const char* needle, size_t needleLength)
{
    if (needleLength == 0 || needleLength > length)
        return length;
    for (size_t i = 0; i + needleLength <= length; ++i) {
        if (std::memcmp(text + i, needle, needleLength) == 0)
            return i;
    }
    return length;
}

}  // namespace

void ClearVersionInfo(VersionInfo& info)
{
    std::memset(&info, 0, sizeof info);
}

bool FindRecordValue(const char* text, size_t length, const char* key, char* value, size_t valueSize)
{
    const size_t keyLength = std::strlen(key);
    const size_t keyAt = FindBytes(text, length, key, keyLength);
    if (keyAt == length)
        return false;
    size_t i = keyAt + keyLength;
    if (i >= length || text[i] != '=')
        return false;
    ++i;
    while (i < length && IsCSpace(text[i]))
        ++i;
    const size_t valueStart = i;
    while (i < length && !IsCSpace(text[i]))
        ++i;
    const size_t valueLength = i - valueStart;
    if (valueLength == 0 || valueLength >= valueSize)
        return false;
    std::memcpy(value, text + valueStart, valueLength);
    value[valueLength] = '\0';
    return true;
}

void ParseVersionRecord(const char* data, size_t length, VersionInfo& info)
{
    size_t examined = length < kVersionRecordExamined ? length : kVersionRecordExamined;
    const void* nul = std::memchr(data, '\0', examined);
    if (nul != nullptr)
        examined = static_cast<size_t>(static_cast<const char*>(nul) - data);

    FindRecordValue(data, examined, "latestVersion", info.latestVersion, sizeof info.latestVersion);
    FindRecordValue(data, examined, "remoteLatestLauncherUrl", info.remoteLatestLauncherUrl,
                    sizeof info.remoteLatestLauncherUrl);
}
