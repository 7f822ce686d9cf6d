"""An HTTP server on 127.0.0.1 whose replies each case scripts byte for byte.

A route maps a request path to a list of steps, run in order on the
connection after the request head has arrived:
    ("send", bytes)    write these bytes
    ("sleep", seconds)
    ("reset",)         end with a TCP reset (RST) instead of a close
    ("hang", seconds)  keep the connection open without sending, then close
The connection is closed after the last step. Unknown paths get a 404.
Every request's bytes are recorded, in arrival order.
"""
import socket
import struct
import threading
import time


def ok(body, content_length=True, status=b"200 OK", extra=b""):
    head = b"HTTP/1.1 " + status + b"\r\nContent-Type: application/octet-stream\r\n" + extra
    if content_length:
        head += b"Content-Length: %d\r\n" % len(body)
    return [("send", head + b"\r\n" + body)]


NOT_FOUND = [("send", b"HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nnot found")]


class ScriptedServer:
    def __init__(self, routes=None, default=None):
        self.routes = dict(routes or {})
        self.default = default  # steps for every path, before routes are looked at
        self.requests = []
        self._sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self._sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self._sock.bind(("127.0.0.1", 0))
        self._sock.listen(8)
        self._sock.settimeout(0.2)
        self.port = self._sock.getsockname()[1]
        self._stop = threading.Event()
        self._threads = []
        self._acceptor = threading.Thread(target=self._accept_loop, daemon=True)

    def __enter__(self):
        self._acceptor.start()
        return self

    def __exit__(self, *exc):
        self._stop.set()
        self._acceptor.join(5)
        for t in self._threads:
            t.join(5)
        self._sock.close()

    @property
    def paths(self):
        return [r.split(b" ")[1].decode("latin-1") if r.count(b" ") >= 2 else None for r in self.requests]

    def _accept_loop(self):
        while not self._stop.is_set():
            try:
                conn, _ = self._sock.accept()
            except socket.timeout:
                continue
            except OSError:
                return
            t = threading.Thread(target=self._serve, args=(conn,), daemon=True)
            self._threads.append(t)
            t.start()

    def _read_request(self, conn):
        data = b""
        conn.settimeout(10)
        try:
            while b"\r\n\r\n" not in data:
                chunk = conn.recv(65536)
                if not chunk:
                    break
                data += chunk
        except OSError:
            pass
        return data

    def _serve(self, conn):
        with conn:
            request = self._read_request(conn)
            self.requests.append(request)
            parts = request.split(b" ")
            path = parts[1].decode("latin-1") if len(parts) >= 3 else ""
            steps = self.default if self.default is not None else self.routes.get(path, NOT_FOUND)
            try:
                for step in steps:
                    if step[0] == "send":
                        conn.sendall(step[1])
                    elif step[0] == "sleep":
                        time.sleep(step[1])
                    elif step[0] == "hang":
                        self._stop.wait(step[1])
                    elif step[0] == "reset":
                        conn.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
                        return
                conn.shutdown(socket.SHUT_WR)
                # Let the client read to the end before the socket goes away.
                conn.settimeout(5)
                while conn.recv(65536):
                    pass
            except OSError:
                pass
