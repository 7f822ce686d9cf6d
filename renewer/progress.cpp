#include "progress.h"

#include "messages.h"

namespace {

// floor(received * 100 / mark) for received < mark, exact even where the
// product does not fit 64 bits (a server may announce any length).
uint64_t ScaledPercent(uint64_t received, uint64_t mark)
{
    if (received <= UINT64_MAX / 100)
        return received * 100 / mark;
    uint64_t quotient = 0;
    uint64_t remainder = 0;  // after i turns: i * received == quotient * mark + remainder
    for (int i = 0; i < 100; ++i) {
        if (remainder >= mark - received) {
            remainder -= mark - received;
            ++quotient;
        } else {
            remainder += received;
        }
    }
    return quotient;
}

}  // namespace

int DownloadPercent(uint64_t received, uint64_t total)
{
    const uint64_t mark = total == 0 ? kProgressMarkBytes : total;
    if (received >= mark)
        return kProgressCap;
    const uint64_t percent = ScaledPercent(received, mark);
    return percent > kProgressCap ? kProgressCap : static_cast<int>(percent);
}

std::wstring ProgressLine(int percent)
{
    return std::wstring(kProgressPrefix) + std::to_wstring(percent) + L"%";
}

ProgressPacer StartProgressPacer(uint64_t nowMs)
{
    return ProgressPacer{0, nowMs};
}

bool ShouldShowProgress(ProgressPacer& pacer, int percent, uint64_t nowMs)
{
    if (percent == pacer.shownPercent || nowMs - pacer.shownAtMs < kProgressIntervalMs)
        return false;
    pacer.shownPercent = percent;
    pacer.shownAtMs = nowMs;
    return true;
}
