#include "version_record.h"

#include <gtest/gtest.h>

#include <cstring>
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

namespace {

const char kHash[] = "9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08";

}  // namespace

TEST(VersionRecord, PackageKeysAreOptional)
{
    const PackageCheck check = Parse("latestVersion=1.0.4\nremoteLatestLauncherUrl=/a.exe\n").package;
    EXPECT_FALSE(check.sizeNamed);
    EXPECT_FALSE(check.sha256Named);
    EXPECT_FALSE(check.malformed);
}

TEST(VersionRecord, PackageKeysFailClosed)
{
    const struct {
        std::string record;
        bool sizeNamed;
        uint64_t size;
        bool hashNamed;
        bool malformed;
    } cases[] = {
        {"remoteLatestLauncherSize=300000\n", true, 300000, false, false},
        {"remoteLatestLauncherSize=0\n", true, 0, false, false},
        {"remoteLatestLauncherSize=18446744073709551615\n", true, 18446744073709551615ull, false, false},
        {"remoteLatestLauncherSha256=" + std::string(kHash) + "\n", false, 0, true, false},
        {"remoteLatestLauncherSha256=9F86D081884C7D659A2FEAA0C55AD015A3BF4F1B2B0B822CD15D6C15B0F00A08\n",
         false, 0, true, false},
        // Named but unusable: the record then vouches for nothing.
        {"remoteLatestLauncherSize=18446744073709551616\n", true, 0, false, true},
        {"remoteLatestLauncherSize=12k\n", true, 0, false, true},
        {"remoteLatestLauncherSize=-5\n", true, 0, false, true},
        {"remoteLatestLauncherSize=0x50\n", true, 0, false, true},
        {"remoteLatestLauncherSize = 5\n", true, 0, false, true},
        {"remoteLatestLauncherSize=", true, 0, false, true},
        {"remoteLatestLauncherSha256=" + std::string(kHash).substr(1) + "\n", false, 0, true, true},
        {"remoteLatestLauncherSha256=" + std::string(kHash) + "0\n", false, 0, true, true},
        {"remoteLatestLauncherSha256=" + std::string(kHash).substr(1) + "g\n", false, 0, true, true},
        {"remoteLatestLauncherSha256Old=x\n", false, 0, true, true},
    };
    for (const auto& c : cases) {
        const PackageCheck check = Parse(c.record).package;
        EXPECT_EQ(check.sizeNamed, c.sizeNamed) << c.record;
        EXPECT_EQ(check.sha256Named, c.hashNamed) << c.record;
        EXPECT_EQ(check.malformed, c.malformed) << c.record;
        if (c.sizeNamed && !c.malformed) {
            EXPECT_EQ(check.size, c.size) << c.record;
        }
    }
}

TEST(VersionRecord, Sha256DigestBytes)
{
    const PackageCheck lower = Parse("remoteLatestLauncherSha256=" + std::string(kHash)).package;
    const PackageCheck upper =
        Parse("remoteLatestLauncherSha256=9F86D081884C7D659A2FEAA0C55AD015A3BF4F1B2B0B822CD15D6C15B0F00A08").package;
    EXPECT_EQ(lower.sha256[0], 0x9f);
    EXPECT_EQ(lower.sha256[1], 0x86);
    EXPECT_EQ(lower.sha256[31], 0x08);
    EXPECT_EQ(0, memcmp(lower.sha256, upper.sha256, 32));
}
