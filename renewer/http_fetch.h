#pragma once
#include "fetch_limits.h"

#include <cstdint>

// Fetches http://host:port/path with one HTTP/1.0 GET and stores the body in
// `localFile`. True only when a 2xx reply arrived whole and was stored; on
// false an existing `localFile` is left as it was. With `showProgress`, the
// console must be open: the percentage is kept current on one console line.
bool DownloadToFile(const char* host, const char* path, int32_t port, const char* localFile,
                    bool showProgress, const FetchLimits& limits);
