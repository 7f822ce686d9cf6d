#pragma once
#include <cstdint>
#include <string>

constexpr size_t kHostFieldSize = 1024;

// Where the update server is: a host name or dotted IPv4 address, and a port of
// which only the low 16 bits reach the socket.
struct ServerAddress {
    char host[kHostFieldSize];
    int32_t port;
};

// `text` is the config file's content after text-mode decoding.
ServerAddress ParseServerAddress(const std::string& text);

// Decimal integer as the port line holds it: leading white space, an optional
// sign, digits up to the first other character; clamped to 32 bits; 0 when
// there are no digits.
int32_t ParsePortText(const char* text, size_t length);

bool IsUsableAddress(const ServerAddress& address);
