#pragma once
#include <cstddef>
#include <cstdint>

// Offset just past the first "\r\n\r\n" in `data`, or 0 when it is not there.
// `searchFrom` lets a caller that receives in pieces rescan only the tail.
size_t FindHeadEnd(const char* data, size_t length, size_t searchFrom);

struct HeadVerdict {
    bool accepted;
    bool hasContentLength;
    uint64_t contentLength;
};

// Judges a complete response head (status line through the empty line).
HeadVerdict EvaluateHead(const char* head, size_t length);
