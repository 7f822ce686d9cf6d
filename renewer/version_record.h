#pragma once
#include <cstddef>

constexpr size_t kLatestVersionFieldSize = 20;
constexpr size_t kLauncherUrlFieldSize = 200;
// Only this much of the record is ever looked at.
constexpr size_t kVersionRecordExamined = 1024;

// What the server offers. A field whose key the record lacks keeps its value,
// which the caller starts as empty.
struct VersionInfo {
    char latestVersion[kLatestVersionFieldSize];
    char remoteLatestLauncherUrl[kLauncherUrlFieldSize];
};

void ClearVersionInfo(VersionInfo& info);

// Fills `info` from the record's bytes; `length` may exceed what is examined.
void ParseVersionRecord(const char* data, size_t length, VersionInfo& info);

// One key's rule: the first occurrence of `key` anywhere in the text, "="
// right after it, white space skipped, the value up to the next white space.
// Returns false (and leaves `value` alone) when there is no such value or it
// does not fit `valueSize` bytes with its terminator.
bool FindRecordValue(const char* text, size_t length, const char* key, char* value, size_t valueSize);
