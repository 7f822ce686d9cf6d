#include "server_address.h"

#include <cstring>

/* Config file (after text-mode decoding):
     line 1   host, taken whole (a blank at either end stays part of it)
     LF
     line 2   port in decimal: [white space] [+|-] digits [anything]
     LF ...   everything after line 2 is ignored
   A line ends at LF or at the end of the text. A missing line 2 gives port 0;
   so does a text whose lines end in CR alone, since all of it is line 1. */

namespace {

bool IsCSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

int32_t ParsePortText(const char* text, size_t length)
{
    size_t i = 0;
    while (i < length && IsCSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < length && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Accumulate as a magnitude and stop growing it past the 32-bit range, so
    // that a long run of digits cannot overflow.
    const int64_t limit = negative ? 2147483648LL : 2147483647LL;
    int64_t magnitude = 0;
    for (; i < length && text[i] >= '0' && text[i] <= '9'; ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > limit)
            magnitude = limit;
    }
    return static_cast<int32_t>(negative ? -magnitude : magnitude);
}

ServerAddress ParseServerAddress(const std::string& text)
{
    ServerAddress address;
    std::memset(address.host, 0, sizeof address.host);
    address.port = 0;

    const size_t hostEnd = text.find('\n');
    const size_t hostLength = hostEnd == std::string::npos ? text.size() : hostEnd;
    // A host that does not fit its field leaves the address unusable rather
    // than cut to a name that was never configured.
    if (hostLength < kHostFieldSize)
        std::memcpy(address.host, text.data(), hostLength);

    if (hostEnd == std::string::npos)
        return address;
    const size_t portStart = hostEnd + 1;
    const size_t portEnd = text.find('\n', portStart);
    const size_t portLength = (portEnd == std::string::npos ? text.size() : portEnd) - portStart;
    address.port = ParsePortText(text.data() + portStart, portLength);
    return address;
}

bool IsUsableAddress(const ServerAddress& address)
{
    return address.host[0] != '\0' && address.port != 0;
}
