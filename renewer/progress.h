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

// Decides which progress lines are worth a console write. A write costs far
// more than the bytes it reports (about a millisecond under Wine's console),
// and a line that repeats the one on screen, or that the eye cannot follow,
// changes nothing the player sees.
constexpr uint64_t kProgressIntervalMs = 100;

struct ProgressPacer {
    int shownPercent;      // the opening line shows 0
    uint64_t shownAtMs;
};

ProgressPacer StartProgressPacer(uint64_t nowMs);

// True when `percent` should be written now; records it as shown.
bool ShouldShowProgress(ProgressPacer& pacer, int percent, uint64_t nowMs);
