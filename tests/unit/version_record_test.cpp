#include "version_record.h"

#include <gtest/gtest.h>

#include <string>

using namespace std::string_literals;

namespace {

VersionInfo Parse(const std::string& record)
{
    VersionInfo info;
    ClearVersionInfo(info);
    ParseVersionRecord(record.data(), record.size(), info);
    return info;
}

}  // namespace

TEST(VersionRecord, FindsBothKeysByTheirRule)
{
    const struct {
        std::string record;
        const char* latest;
        const char* url;
    } cases[] = {
        {"latestVersion=1.0.4\nremoteLatestLauncherUrl=/launcher/setup.exe\n", "1.0.4", "/launcher/setup.exe"},
        {"remoteLatestLauncherUrl=/a.exe\r\nlatestVersion=1.0.4\r\n", "1.0.4", "/a.exe"},
        {"latestVersion = 1.0.4\n", "", ""},                            // blank before "="
        {"latestVersionOld=1.0.2\nlatestVersion=1.0.4\n", "", ""},     // only the first occurrence
        {"latestVersion=\n  1.0.4 trailing\n", "1.0.4", ""},            // value on the next line
        {"latestVersion=", "", ""},                                     // text ends before a value
        {"latestVersion=\"1.0.4\"", "\"1.0.4\"", ""},                   // quotes are part of it
        {"[update]\nlatestVersion=2.0\tcomment\n", "2.0", ""},
        {"LatestVersion=1.0.4\n", "", ""},                              // case-sensitive
        {"no keys at all", "", ""},
        {"", "", ""},
        {"remoteLatestLauncherUrl=/latestVersion=9\n", "9", "/latestVersion=9"},  // a key inside a value
        {"latestVersion=1.0\0remoteLatestLauncherUrl=/a"s, "1.0", ""},  // text ends at NUL
    };
    for (const auto& c : cases) {
        const VersionInfo info = Parse(c.record);
        EXPECT_STREQ(info.latestVersion, c.latest) << c.record;
        EXPECT_STREQ(info.remoteLatestLauncherUrl, c.url) << c.record;
    }
}

TEST(VersionRecord, OnlyTheFirst1024BytesCount)
{
    const std::string padding(1024 - std::string("latestVersion=1.0.4").size(), '#');
    EXPECT_STREQ(Parse(padding + "latestVersion=1.0.4").latestVersion, "1.0.4");
    // One byte later the value is cut at the examined end...
    EXPECT_STREQ(Parse(padding + "#latestVersion=1.0.4").latestVersion, "1.0.");
    // ...and a key that begins past it is not found.
    EXPECT_STREQ(Parse(std::string(1024, '#') + "latestVersion=1.0.4").latestVersion, "");
}

TEST(VersionRecord, ValueTooLongForItsFieldLeavesItEmpty)
{
    EXPECT_STREQ(Parse("latestVersion=" + std::string(19, '9')).latestVersion, std::string(19, '9').c_str());
    EXPECT_STREQ(Parse("latestVersion=" + std::string(20, '9')).latestVersion, "");
    const std::string url199 = "/" + std::string(198, 'u');
    EXPECT_STREQ(Parse("remoteLatestLauncherUrl=" + url199).remoteLatestLauncherUrl, url199.c_str());
    EXPECT_STREQ(Parse("remoteLatestLauncherUrl=" + url199 + "u").remoteLatestLauncherUrl, "");
}
