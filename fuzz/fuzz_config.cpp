// Fuzzes the config file path: text-mode decoding, then the address parser.
#include "server_address.h"
#include "text_mode.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string raw(reinterpret_cast<const char*>(data), size);
    const std::string text = DecodeTextMode(raw);
    if (text.size() > raw.size() || text.find('\x1a') != std::string::npos)
        std::abort();
    const ServerAddress address = ParseServerAddress(text);
    // The host is line 1 up to any NUL in it, or empty when line 1 does not
    // fit the field; it is always terminated inside the field.
    if (std::memchr(address.host, '\0', sizeof address.host) == nullptr)
        std::abort();
    const std::string line1 = text.substr(0, text.find('\n'));
    const std::string expected = line1.size() < kHostFieldSize ? line1.substr(0, line1.find('\0')) : "";
    if (expected != address.host)
        std::abort();
    if (text.find('\n') == std::string::npos && address.port != 0)
        std::abort();
    return 0;
}
