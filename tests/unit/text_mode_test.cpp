#include "text_mode.h"

#include <gtest/gtest.h>

#include <string>

using namespace std::string_literals;

TEST(TextMode, DecodesAsTheWindowsRuntimeReads)
{
    const struct {
        std::string raw;
        std::string text;
    } cases[] = {
        {"host\r\n80\r\n", "host\n80\n"},
        {"host\n80\n", "host\n80\n"},
        {"a\rb\r", "a\rb\r"},            // lone CR stays, also as the last byte
        {"a\r\r\nb", "a\r\nb"},          // only the CR right before LF goes
        {"1.0.3\x1a" "more", "1.0.3"},   // 0x1A ends the text
        {"\x1a" "all", ""},
        {"nul\0inside"s, "nul\0inside"s},  // NUL is an ordinary byte here
        {"\xef\xbb\xbf" "v", "\xef\xbb\xbf" "v"},  // a byte-order mark is not skipped
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecodeTextMode(c.raw), c.text) << c.raw;
}

TEST(TextMode, EncodesLineFeedsAsCrLf)
{
    EXPECT_EQ(EncodeTextMode("1.0.4"), "1.0.4");
    EXPECT_EQ(EncodeTextMode("a\nb\n"), "a\r\nb\r\n");
    EXPECT_EQ(EncodeTextMode("a\r\n"), "a\r\r\n");
    EXPECT_EQ(DecodeTextMode(EncodeTextMode("x\ny\n")), "x\ny\n");
}
