#include "version_record.h"

#include <cstring>

/* Remote version record: free text in any layout. Examined are its first 1024
   bytes, up to the first NUL among them. Recognised keys:
       latestVersion=<value>
       remoteLatestLauncherUrl=<value>
       remoteLatestLauncherSize=<decimal length in bytes>     (optional)
       remoteLatestLauncherSha256=<64 hexadecimal digits>     (optional)
   A key is found at its first occurrence, also inside a longer word; "=" must
   follow it at once; white space (line ends included) after "=" is skipped;
   the value runs to the next white space or the end of the text. Values are
   taken byte for byte: no quoting, escaping or comments. A value too long for
   its field leaves the field empty. The two package keys fail closed: once
   the key is in the text, a value that is missing, malformed or too long
   marks the record malformed instead of being ignored. */

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

bool ParsePackageSize(const char* text, uint64_t& size)
{
    if (*text == '\0')
        return false;
    uint64_t number = 0;
    for (; *text != '\0'; ++text) {
        if (*text < '0' || *text > '9')
            return false;
        const uint64_t digit = static_cast<uint64_t>(*text - '0');
        if (number > (UINT64_MAX - digit) / 10)
            return false;
        number = number * 10 + digit;
    }
    size = number;
    return true;
}

bool ParseSha256Hex(const char* text, unsigned char digest[32])
{
    if (std::strlen(text) != 64)
        return false;
    for (size_t i = 0; i < 64; ++i) {
        const char c = text[i];
        int nibble;
        if (c >= '0' && c <= '9')
            nibble = c - '0';
        else if (c >= 'a' && c <= 'f')
            nibble = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            nibble = c - 'A' + 10;
        else
            return false;
        if (i % 2 == 0)
            digest[i / 2] = static_cast<unsigned char>(nibble << 4);
        else
            digest[i / 2] = static_cast<unsigned char>(digest[i / 2] | nibble);
    }
    return true;
}

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

    const char kSizeKey[] = "remoteLatestLauncherSize";
    const char kSha256Key[] = "remoteLatestLauncherSha256";
    PackageCheck& check = info.package;
    char value[72];  // room for 64 digits and more, so an over-long value is caught
    if (FindBytes(data, examined, kSizeKey, sizeof kSizeKey - 1) != examined) {
        check.sizeNamed = true;
        if (!FindRecordValue(data, examined, kSizeKey, value, sizeof value) || !ParsePackageSize(value, check.size))
            check.malformed = true;
    }
    if (FindBytes(data, examined, kSha256Key, sizeof kSha256Key - 1) != examined) {
        check.sha256Named = true;
        if (!FindRecordValue(data, examined, kSha256Key, value, sizeof value) || !ParseSha256Hex(value, check.sha256))
            check.malformed = true;
    }
}
