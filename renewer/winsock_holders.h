#pragma once
#include <winsock2.h>

// Pairs WSAStartup with WSACleanup for the lifetime of one fetch.
class WinsockSession {
public:
    WinsockSession()
    {
        WSADATA data;
        started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }
    ~WinsockSession()
    {
        if (started_)
            WSACleanup();
    }
    WinsockSession(const WinsockSession&) = delete;
    WinsockSession& operator=(const WinsockSession&) = delete;
    bool started() const { return started_; }

private:
    bool started_;
};

// Owns a SOCKET so that every return path closes it.
class ScopedSocket {
public:
    explicit ScopedSocket(SOCKET socket) : socket_(socket) {}
    ~ScopedSocket()
    {
        if (socket_ != INVALID_SOCKET)
            closesocket(socket_);
    }
    ScopedSocket(const ScopedSocket&) = delete;
    ScopedSocket& operator=(const ScopedSocket&) = delete;
    SOCKET get() const { return socket_; }
    bool valid() const { return socket_ != INVALID_SOCKET; }

private:
    SOCKET socket_;
};
