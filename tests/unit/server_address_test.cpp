#include "server_address.h"
#include "text_mode.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

TEST(ServerAddress, ReadsHostAndPortLines)
{
    const struct {
        const char* raw;  // file bytes, before text-mode decoding
        const char* host;
        int32_t port;
    } cases[] = {
        {"updates.example.com\n80\n", "updates.example.com", 80},
        {"updates.example.com\r\n80\r\n", "updates.example.com", 80},
        {"host \n80", "host ", 80},                      // blanks are part of the host
        {"host\n  \t80 http\n", "host", 80},             // leading blanks, trailing words
        {"host\n+8080\n", "host", 8080},
        {"host\n0x50\n", "host", 0},                     // decimal only: stops at the x
        {"host\n-1\n", "host", -1},
        {"host\n99999999999\n", "host", 2147483647},
        {"host\n-99999999999\n", "host", -2147483647 - 1},
        {"host\n80\n443\ngarbage\n", "host", 80},        // lines after the second are ignored
        {"host\n", "host", 0},                           // no line 2
        {"host", "host", 0},                             // one line, no LF
        {"127.0.0.1", "127.0.0.1", 0},                   // an address is no port
        {"host\rport\r80\r", "host\rport\r80\r", 0},     // CR alone ends no line
        {"\n80\n", "", 80},
        {"", "", 0},
        {"host\n80\x1a\n443", "host", 80},
    };
    for (const auto& c : cases) {
        const ServerAddress address = ParseServerAddress(DecodeTextMode(c.raw));
        EXPECT_STREQ(address.host, c.host) << c.raw;
        EXPECT_EQ(address.port, c.port) << c.raw;
    }
}

TEST(ServerAddress, NulEndsTheHost)
{
    // Found by fuzzing the config parser: a NUL inside line 1 ends the host.
    const char config[] = "h8\xff\xff\0\0rest\n80\n";
    const ServerAddress address = ParseServerAddress(std::string(config, sizeof config - 1));
    EXPECT_STREQ(address.host, "h8\xff\xff");
    EXPECT_EQ(address.port, 80);
}

TEST(ServerAddress, HostTooLongForItsFieldIsUnusable)
{
    const std::string fits(1023, 'h');
    const ServerAddress kept = ParseServerAddress(fits + "\n80\n");
    EXPECT_EQ(std::strlen(kept.host), 1023u);
    EXPECT_TRUE(IsUsableAddress(kept));

    const ServerAddress dropped = ParseServerAddress(std::string(1024, 'h') + "\n80\n");
    EXPECT_STREQ(dropped.host, "");
    EXPECT_FALSE(IsUsableAddress(dropped));
}

TEST(ServerAddress, UsableNeedsHostAndNonZeroPort)
{
    EXPECT_TRUE(IsUsableAddress(ParseServerAddress("h\n80\n")));
    EXPECT_TRUE(IsUsableAddress(ParseServerAddress("h\n65536\n")));  // the whole number is tested
    EXPECT_FALSE(IsUsableAddress(ParseServerAddress("h\n0\n")));
    EXPECT_FALSE(IsUsableAddress(ParseServerAddress("\n80\n")));
}
