#pragma once
#include <cstdint>

// Bounds of one fetch. Renewer has no settings for them; tests pass smaller
// ones to see the bounds work without waiting out the real ones.
struct FetchLimits {
    uint32_t connectTimeoutMs;
    uint32_t receiveIdleTimeoutMs;  // a receive that waits this long for data fails
    uint64_t bodyCapBytes;          // applies when the reply names no Content-Length
    bool hasExpectedSize;           // the body must be exactly expectedSize bytes
    uint64_t expectedSize;
};

constexpr uint32_t kConnectTimeoutMs = 15000;
constexpr uint32_t kReceiveIdleTimeoutMs = 30000;

// Only the first 1024 bytes of the version record are read.
constexpr FetchLimits kVersionRecordLimits = {kConnectTimeoutMs, kReceiveIdleTimeoutMs, 64ull * 1024, false, 0};
constexpr FetchLimits kPackageLimits = {kConnectTimeoutMs, kReceiveIdleTimeoutMs, 4ull * 1024 * 1024 * 1024,
                                        false, 0};
