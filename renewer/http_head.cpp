#include "http_head.h"

#include <cstring>

/* Response head, as the update server must send it:
     HTTP/1.0 SP DDD [SP reason] CR LF      (or HTTP/1.1; DDD three digits, 2xx only)
     *( name ":" OWS value OWS CR LF )
     CR LF
   The only field read is Content-Length (name in any case): decimal digits,
   every copy agreeing. A malformed or conflicting length fails the head, as
   does a NUL byte anywhere in it: a head like that is no reply to trust. */

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringCase(const char* text, size_t length, const char* word)
{
    const size_t wordLength = std::strlen(word);
    if (length != wordLength)
        return false;
    for (size_t i = 0; i < length; ++i) {
        if (LowerAscii(text[i]) != word[i])
            return false;
    }
    return true;
}

bool StatusLineIsSuccess(const char* line, size_t length)
{
    // "HTTP/1.x" SP D D D, then the end of the line or SP and a reason phrase.
    if (length < 12)
        return false;
    if (std::memcmp(line, "HTTP/1.0 ", 9) != 0 && std::memcmp(line, "HTTP/1.1 ", 9) != 0)
        return false;
    if (line[9] != '2' || !IsDigit(line[10]) || !IsDigit(line[11]))
        return false;
    return length == 12 || line[12] == ' ';
}

// Parses a Content-Length value with optional blanks around it; false when it
// is empty, holds anything but digits, or does not fit 64 bits.
bool ParseContentLength(const char* value, size_t length, uint64_t& result)
{
    size_t begin = 0;
    size_t end = length;
    while (begin < end && (value[begin] == ' ' || value[begin] == '\t'))
        ++begin;
    while (end > begin && (value[end - 1] == ' ' || value[end - 1] == '\t'))
        --end;
    if (begin == end)
        return false;
    uint64_t number = 0;
    for (size_t i = begin; i < end; ++i) {
        if (!IsDigit(value[i]))
            return false;
        const uint64_t digit = static_cast<uint64_t>(value[i] - '0');
        if (number > (UINT64_MAX - digit) / 10)
            return false;
        number = number * 10 + digit;
    }
    result = number;
    return true;
}

}  // namespace

size_t FindHeadEnd(const char* data, size_t length, size_t searchFrom)
{
    for (size_t i = searchFrom; i + 4 <= length; ++i) {
        if (data[i] == '\r' && data[i + 1] == '\n' && data[i + 2] == '\r' && data[i + 3] == '\n')
            return i + 4;
    }
    return 0;
}

HeadVerdict EvaluateHead(const char* head, size_t length)
{
    const HeadVerdict rejected = {false, false, 0};
    if (std::memchr(head, '\0', length) != nullptr)
        return rejected;

    HeadVerdict verdict = {true, false, 0};
    size_t lineStart = 0;
    bool statusLine = true;
    while (lineStart < length) {
        size_t lineEnd = lineStart;
        while (lineEnd + 1 < length && !(head[lineEnd] == '\r' && head[lineEnd + 1] == '\n'))
            ++lineEnd;
        if (lineEnd + 1 >= length)
            return rejected;  // not a CR LF-terminated head
        const char* line = head + lineStart;
        const size_t lineLength = lineEnd - lineStart;
        lineStart = lineEnd + 2;

        if (statusLine) {
            if (!StatusLineIsSuccess(line, lineLength))
                return rejected;
            statusLine = false;
            continue;
        }
        if (lineLength == 0)
            break;  // the empty line that ends the head
        const void* colon = std::memchr(line, ':', lineLength);
        if (colon == nullptr)
            continue;  // not a field; nothing we read
        const size_t nameLength = static_cast<size_t>(static_cast<const char*>(colon) - line);
        if (!EqualsIgnoringCase(line, nameLength, "content-length"))
            continue;
        uint64_t value = 0;
        if (!ParseContentLength(line + nameLength + 1, lineLength - nameLength - 1, value))
            return rejected;
        if (verdict.hasContentLength && verdict.contentLength != value)
            return rejected;
        verdict.hasContentLength = true;
        verdict.contentLength = value;
    }
    return statusLine ? rejected : verdict;
}
