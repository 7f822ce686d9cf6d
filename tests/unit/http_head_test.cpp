#include "http_head.h"

#include <gtest/gtest.h>

#include <string>

using namespace std::string_literals;

TEST(HttpHead, FindsTheFirstTerminator)
{
    const std::string reply = "HTTP/1.1 200 OK\r\nA: b\r\n\r\nbody\r\n\r\n";
    EXPECT_EQ(FindHeadEnd(reply.data(), reply.size(), 0), 25u);
    EXPECT_EQ(FindHeadEnd(reply.data(), 24, 0), 0u);                  // not yet arrived
    EXPECT_EQ(FindHeadEnd(reply.data(), 25, 21), 25u);                // rescanning only the tail
    const std::string lf = "HTTP/1.1 200 OK\nA: b\n\nbody";
    EXPECT_EQ(FindHeadEnd(lf.data(), lf.size(), 0), 0u);
}

TEST(HttpHead, AcceptsOnlySuccessStatus)
{
    const struct {
        std::string head;
        bool accepted;
    } cases[] = {
        {"HTTP/1.1 200 OK\r\n\r\n", true},
        {"HTTP/1.0 200 OK\r\nServer: x\r\n\r\n", true},
        {"HTTP/1.1 204\r\n\r\n", true},
        {"HTTP/1.1 299 Whatever\r\n\r\n", true},
        {"HTTP/1.1 404 Not Found\r\n\r\n", false},
        {"HTTP/1.1 404 Missing\r\n\r\n", false},
        {"HTTP/1.1 403 Forbidden\r\n\r\n", false},
        {"HTTP/1.1 500 Internal Server Error\r\n\r\n", false},
        {"HTTP/1.1 302 Found\r\nLocation: /x\r\n\r\n", false},
        {"HTTP/1.1 100 Continue\r\n\r\n", false},
        {"HTTP/2 200\r\n\r\n", false},
        {"HTTP/1.1 2000 OK\r\n\r\n", false},
        {"HTTP/1.1 20 OK\r\n\r\n", false},
        {"http/1.1 200 OK\r\n\r\n", false},
        {" HTTP/1.1 200 OK\r\n\r\n", false},
        {"SSH-2.0-OpenSSH\r\n\r\n", false},
        {"HTTP/1.1 200 OK\r\nX: a\0b\r\n\r\n"s, false},  // a NUL in the head
        {"\r\n\r\n", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EvaluateHead(c.head.data(), c.head.size()).accepted, c.accepted) << c.head;
}

TEST(HttpHead, ReadsContentLength)
{
    const struct {
        std::string fields;
        bool accepted;
        bool hasLength;
        uint64_t length;
    } cases[] = {
        {"", true, false, 0},
        {"Content-Length: 5\r\n", true, true, 5},
        {"content-length:5\r\n", true, true, 5},
        {"CONTENT-LENGTH: \t 300000 \r\n", true, true, 300000},
        {"Content-Length: 0\r\n", true, true, 0},
        {"Content-Length: 18446744073709551615\r\n", true, true, 18446744073709551615ull},
        {"Content-Length: 18446744073709551616\r\n", false, false, 0},  // past 64 bits
        {"Content-Length: 12x\r\n", false, false, 0},
        {"Content-Length: -1\r\n", false, false, 0},
        {"Content-Length: \r\n", false, false, 0},
        {"Content-Length: 5\r\nContent-Length: 5\r\n", true, true, 5},
        {"Content-Length: 5\r\nContent-Length: 6\r\n", false, false, 0},
        {"X-Content-Length: 7\r\n", true, false, 0},
        {"Content-Lengthy: 7\r\n", true, false, 0},
    };
    for (const auto& c : cases) {
        const std::string head = "HTTP/1.1 200 OK\r\n" + c.fields + "\r\n";
        const HeadVerdict verdict = EvaluateHead(head.data(), head.size());
        EXPECT_EQ(verdict.accepted, c.accepted) << c.fields;
        if (!c.accepted)
            continue;
        EXPECT_EQ(verdict.hasContentLength, c.hasLength) << c.fields;
        EXPECT_EQ(verdict.contentLength, c.length) << c.fields;
    }
}
