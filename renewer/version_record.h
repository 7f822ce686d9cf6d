#pragma once
#include <cstddef>
#include <cstdint>

constexpr size_t kLatestVersionFieldSize = 20;
constexpr size_t kLauncherUrlFieldSize = 200;
// Only this much of the record is ever looked at.
constexpr size_t kVersionRecordExamined = 1024;

// What the record says the package must be. Either key is optional; a key
// that is there with a value that cannot be checked makes the record
// `malformed`, and then no package may pass.
struct PackageCheck {
    bool sizeNamed;
    uint64_t size;
    bool sha256Named;
    unsigned char sha256[32];
    bool malformed;
};

// What the server offers. A field whose key the record lacks keeps its value,
// which the caller starts as empty.
struct VersionInfo {
    char latestVersion[kLatestVersionFieldSize];
    char remoteLatestLauncherUrl[kLauncherUrlFieldSize];
    PackageCheck package;
};

void ClearVersionInfo(VersionInfo& info);

// Fills `info` from the record's bytes; `length` may exceed what is examined.
void ParseVersionRecord(const char* data, size_t length, VersionInfo& info);

// One key's rule: the first occurrence of `key` anywhere in the text, "="
// right after it, white space skipped, the value up to the next white space.
// Returns false (and leaves `value` alone) when there is no such value or it
// does not fit `valueSize` bytes with its terminator.
bool FindRecordValue(const char* text, size_t length, const char* key, char* value, size_t valueSize);

// remoteLatestLauncherSize: decimal digits only, within 64 bits.
bool ParsePackageSize(const char* text, uint64_t& size);
// remoteLatestLauncherSha256: exactly 64 hexadecimal digits, either case.
bool ParseSha256Hex(const char* text, unsigned char digest[32]);
