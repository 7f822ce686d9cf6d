#pragma once
#include <cstdint>
#include <string>

// Without a Content-Length the percentage is measured against this mark.
constexpr uint64_t kProgressMarkBytes = 10485760;
constexpr int kProgressCap = 99;

// Whole percent of `received` against `total` (the mark when `total` is 0),
// never above the cap: 100 % is only ever shown by the closing line's 99.
int DownloadPercent(uint64_t received, uint64_t total);

std::wstring ProgressLine(int percent);
