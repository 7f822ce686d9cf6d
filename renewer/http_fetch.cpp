#include "http_fetch.h"

#include "console.h"
#include "http_head.h"
#include "http_request.h"
#include "messages.h"
#include "progress.h"
#include "winsock_holders.h"

#include <winsock2.h>
#include <windows.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <new>
#include <string>

namespace {

constexpr size_t kReceiveBufferSize = 1048576;

timeval ToTimeval(uint32_t milliseconds)
{
    timeval tv;
    tv.tv_sec = static_cast<long>(milliseconds / 1000);
    tv.tv_usec = static_cast<long>((milliseconds % 1000) * 1000);
    return tv;
}

// A blocking connect can hang for minutes on an unreachable host; connect
// without blocking and wait for the outcome for at most `timeoutMs`.
bool ConnectWithTimeout(SOCKET socket, const sockaddr_in& address, uint32_t timeoutMs)
{
    u_long nonBlocking = 1;
    if (ioctlsocket(socket, FIONBIO, &nonBlocking) != 0)
        return false;
    if (connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 &&
        WSAGetLastError() != WSAEWOULDBLOCK)
        return false;

    fd_set writable;
    fd_set failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(socket, &writable);
    FD_SET(socket, &failed);
    timeval timeout = ToTimeval(timeoutMs);
    // Windows reports a refused connection through the exception set.
    if (select(0, nullptr, &writable, &failed, &timeout) != 1 || !FD_ISSET(socket, &writable))
        return false;
    int error = 0;
    int errorSize = sizeof error;
    if (getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &errorSize) != 0 ||
        error != 0)
        return false;

    u_long blocking = 0;
    return ioctlsocket(socket, FIONBIO, &blocking) == 0;
}

bool SendAll(SOCKET socket, const std::string& data)
{
    size_t sent = 0;
    while (sent < data.size()) {
        const int n = send(socket, data.data() + sent, static_cast<int>(data.size() - sent), 0);
        if (n <= 0)
            return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

// recv that gives up when no data arrives for `idleTimeoutMs`: a server that
// accepts and then goes silent must not hold the player forever.
// Returns the byte count, 0 when the server closed, -1 on error or time-out.
int ReceiveWithTimeout(SOCKET socket, char* buffer, size_t capacity, uint32_t idleTimeoutMs)
{
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket, &readable);
    timeval timeout = ToTimeval(idleTimeoutMs);
    if (select(0, &readable, nullptr, nullptr, &timeout) != 1)
        return -1;
    const int n = recv(socket, buffer, static_cast<int>(capacity), 0);
    return n < 0 ? -1 : n;
}

// Everything a fetch can fail on after the head, with the scratch file as the
// only thing to clean up: it must never replace the real file unless whole.
class BodyWriter {
public:
    BodyWriter(const std::string& finalPath, bool showProgress, uint64_t total)
        : finalPath_(finalPath), partPath_(finalPath + ".part"), showProgress_(showProgress),
          total_(total)
    {
    }
    ~BodyWriter()
    {
        if (!committed_) {
            if (stream_.is_open())
                stream_.close();
            DeleteFileA(partPath_.c_str());
        }
        if (showProgress_ && progressShown_ && !committed_)
            ConsoleWrite(L"\n");  // a failure message must not share the progress line
    }
    BodyWriter(const BodyWriter&) = delete;
    BodyWriter& operator=(const BodyWriter&) = delete;

    bool open()
    {
        stream_.open(partPath_, std::ios::in | std::ios::out | std::ios::binary | std::ios::trunc);
        if (!stream_.is_open())
            return false;
        if (showProgress_) {
            ConsoleWrite(kProgressOpeningLine);
            pacer_ = StartProgressPacer(GetTickCount64());
            progressShown_ = true;
        }
        return true;
    }

    bool append(const char* data, size_t length)
    {
        if (length > 0)
            stream_.write(data, static_cast<std::streamsize>(length));
        received_ += length;
        return static_cast<bool>(stream_);
    }

    void showProgress()
    {
        if (!showProgress_)
            return;
        const int percent = DownloadPercent(received_, total_);
        if (ShouldShowProgress(pacer_, percent, GetTickCount64()))
            ConsoleWrite(ProgressLine(percent).c_str());
    }

    bool commit()
    {
        stream_.flush();
        const bool written = static_cast<bool>(stream_);
        stream_.close();
        if (!written || stream_.fail())
            return false;
        // Windows refuses to replace a read-only file, and a leftover download
        // marked read-only would block every later update. It is our own file.
        const DWORD attributes = GetFileAttributesA(finalPath_.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0)
            SetFileAttributesA(finalPath_.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
        if (!MoveFileExA(partPath_.c_str(), finalPath_.c_str(), MOVEFILE_REPLACE_EXISTING))
            return false;
        committed_ = true;
        if (showProgress_)
            ConsoleWrite(kProgressClosingLine);
        return true;
    }

    uint64_t received() const { return received_; }

private:
    std::string finalPath_;
    std::string partPath_;
    bool showProgress_;
    uint64_t total_;
    std::fstream stream_;
    uint64_t received_ = 0;
    bool progressShown_ = false;
    ProgressPacer pacer_ = {0, 0};
    bool committed_ = false;
};

}  // namespace

bool DownloadToFile(const char* host, const char* path, int32_t port, const char* localFile,
                    bool showProgress, const FetchLimits& limits)
{
    WinsockSession winsock;
    if (!winsock.started())
        return false;

    const std::string request = ComposeRequest(host, path);

    const hostent* entry = gethostbyname(host);
    if (entry == nullptr || entry->h_addrtype != AF_INET || entry->h_length != 4 ||
        entry->h_addr_list[0] == nullptr)
        return false;
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    // Only the low 16 bits of the configured number name the port.
    address.sin_port = htons(static_cast<u_short>(static_cast<uint32_t>(port) & 0xFFFFu));
    std::memcpy(&address.sin_addr, entry->h_addr_list[0], 4);

    ScopedSocket socket(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    if (!socket.valid())
        return false;
    if (!ConnectWithTimeout(socket.get(), address, limits.connectTimeoutMs))
        return false;
    if (!SendAll(socket.get(), request))
        return false;

    std::unique_ptr<char[]> buffer(new (std::nothrow) char[kReceiveBufferSize]);
    if (!buffer)
        return false;
    std::memset(buffer.get(), 0, kReceiveBufferSize);

    // The head may arrive in pieces, however the server's writes were split;
    // it must be complete before the buffer is full.
    size_t filled = 0;
    size_t headEnd = 0;
    while (headEnd == 0) {
        if (filled == kReceiveBufferSize)
            return false;
        const int n = ReceiveWithTimeout(socket.get(), buffer.get() + filled,
                                         kReceiveBufferSize - filled, limits.receiveIdleTimeoutMs);
        if (n <= 0)
            return false;
        const size_t searchFrom = filled >= 3 ? filled - 3 : 0;
        filled += static_cast<size_t>(n);
        headEnd = FindHeadEnd(buffer.get(), filled, searchFrom);
    }
    const HeadVerdict head = EvaluateHead(buffer.get(), headEnd);
    if (!head.accepted)
        return false;

    // A reply that announces another size than the record named is not the
    // package the record describes: refuse it before writing anything.
    if (limits.hasExpectedSize && head.hasContentLength && head.contentLength != limits.expectedSize)
        return false;

    // With a length, the body is complete exactly when that many bytes have
    // come; without one, only the close ends it, and the named size or the
    // cap bounds it.
    const bool bounded = head.hasContentLength;
    const uint64_t expected = bounded ? head.contentLength
                              : limits.hasExpectedSize ? limits.expectedSize
                                                       : limits.bodyCapBytes;
    BodyWriter body(localFile, showProgress, bounded || limits.hasExpectedSize ? expected : 0);
    if (!body.open())
        return false;

    size_t firstBodyBytes = filled - headEnd;
    if (firstBodyBytes > expected) {
        if (!bounded)
            return false;
        firstBodyBytes = static_cast<size_t>(expected);
    }
    if (!body.append(buffer.get() + headEnd, firstBodyBytes))
        return false;

    while (!bounded || body.received() < expected) {
        const int m = ReceiveWithTimeout(socket.get(), buffer.get(), kReceiveBufferSize,
                                         limits.receiveIdleTimeoutMs);
        if (m < 0)
            return false;  // a reset or a stall leaves the body incomplete
        if (m == 0) {
            body.showProgress();
            if (bounded || (limits.hasExpectedSize && body.received() != expected))
                return false;  // closed short of the announced or named length
            break;
        }
        uint64_t chunk = static_cast<uint64_t>(m);
        if (body.received() + chunk > expected) {
            if (!bounded)
                return false;  // past the named size or the cap: endless or foreign
            chunk = expected - body.received();  // bytes past the length are not the body
        }
        if (!body.append(buffer.get(), static_cast<size_t>(chunk)))
            return false;
        body.showProgress();
    }
    return body.commit();
}
