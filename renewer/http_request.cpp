#include "http_request.h"

/* Request, four CR LF-ended lines, nothing escaped or completed:
     GET <path> HTTP/1.0
     Host: <host>            (never with the port)
     Connection: Close
     <empty line> */

std::string ComposeRequest(const char* host, const char* path)
{
    std::string request;
    request.append("GET ").append(path).append(" HTTP/1.0\r\n");
    request.append("Host: ").append(host).append("\r\n");
    request.append("Connection: Close\r\n\r\n");
    return request;
}
