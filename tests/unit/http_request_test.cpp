#include "http_request.h"

#include <gtest/gtest.h>

#include <string>

TEST(HttpRequest, ComposesTheFourLines)
{
    EXPECT_EQ(ComposeRequest("updates.test", "/remoteLauncherVersion.config"),
              "GET /remoteLauncherVersion.config HTTP/1.0\r\nHost: updates.test\r\nConnection: Close\r\n\r\n");
    EXPECT_EQ(ComposeRequest("updates.test", "/remoteLauncherVersion.config").size(), 85u);
    // Nothing is completed or escaped: an empty path gives two spaces.
    EXPECT_EQ(ComposeRequest("h", ""), "GET  HTTP/1.0\r\nHost: h\r\nConnection: Close\r\n\r\n");
    EXPECT_EQ(ComposeRequest("h", "a b?c"), "GET a b?c HTTP/1.0\r\nHost: h\r\nConnection: Close\r\n\r\n");
}

TEST(HttpRequest, HoldsAnyLengthTheFieldsAllow)
{
    const std::string host(1023, 'h');
    const std::string path(199, 'p');
    const std::string request = ComposeRequest(host.c_str(), path.c_str());
    EXPECT_EQ(request.size(), 44 + host.size() + path.size());
    EXPECT_NE(request.find(host + "\r\nConnection"), std::string::npos);
}
