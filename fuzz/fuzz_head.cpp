// Fuzzes the response head search and evaluation, fed as a receive loop
// would: the terminator is searched again over each newly arrived piece.
#include "http_head.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* bytes = reinterpret_cast<const char*>(data);
    const size_t whole = FindHeadEnd(bytes, size, 0);
    // Arriving in pieces of 7 bytes must find the same end as arriving at once.
    size_t filled = 0;
    size_t pieces = 0;
    while (pieces == 0 && filled < size) {
        const size_t searchFrom = filled >= 3 ? filled - 3 : 0;
        filled = filled + 7 < size ? filled + 7 : size;
        pieces = FindHeadEnd(bytes, filled, searchFrom);
    }
    if (pieces != whole)
        std::abort();
    if (whole == 0)
        return 0;
    if (whole < 4 || std::memcmp(bytes + whole - 4, "\r\n\r\n", 4) != 0)
        std::abort();
    const HeadVerdict verdict = EvaluateHead(bytes, whole);
    if (verdict.accepted && (whole < 16 || bytes[9] != '2' || std::memcmp(bytes, "HTTP/1.", 7) != 0))
        std::abort();
    if (!verdict.accepted && (verdict.hasContentLength || verdict.contentLength != 0))
        std::abort();
    return 0;
}
