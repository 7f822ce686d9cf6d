"""The fetch's time-outs and caps, through fetch_tool.exe with small limits."""
import os
import time

from renewer_cases import PACKAGE, case, expect, expect_equal
from scripted_server import ScriptedServer, ok

IDLE_MS = 1000


def fetch(ctx, name, steps, cap=1 << 32, idle_ms=IDLE_MS, existing=None):
    folder = ctx.fresh_dir(name)
    target = os.path.join(folder, "out.bin")
    if existing is not None:
        with open(target, "wb") as f:
            f.write(existing)
    with ScriptedServer(default=steps) as server:
        began = time.monotonic()
        code = ctx.wine.run([ctx.tool("fetch_tool.exe"), "127.0.0.1", str(server.port), "/p", "out.bin",
                             "5000", str(idle_ms), str(cap), "0"], cwd=folder)
        elapsed = time.monotonic() - began
    content = open(target, "rb").read() if os.path.exists(target) else None
    expect(not os.path.exists(target + ".part"), name + ": scratch file left")
    return code, content, elapsed


@case
def fetch_stalls_fail_at_the_idle_bound(ctx):
    stalls = {
        "never answers": [("hang", 30)],
        "head then silence": [("send", b"HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc"), ("hang", 30)],
        "silence mid-head": [("send", b"HTTP/1.1 200 OK\r\n"), ("hang", 30)],
    }
    for what, steps in stalls.items():
        code, content, elapsed = fetch(ctx, "stall", steps, existing=b"old")
        expect_equal(code, 1, what + ": exit code")
        expect_equal(content, b"old", what + ": existing file")
        # Bounded by the idle time-out, far short of the server's 30 s.
        expect(elapsed < 15, what + ": took %.1f s" % elapsed)


@case
def fetch_trickle_within_the_bound_succeeds(ctx):
    body = PACKAGE[:2000]
    steps = [("send", b"HTTP/1.1 200 OK\r\n\r\n")]
    for i in range(0, len(body), 250):
        steps += [("sleep", IDLE_MS / 4000.0), ("send", body[i:i + 250])]
    code, content, _ = fetch(ctx, "trickle", steps)
    expect_equal(code, 0, "exit code")
    expect_equal(content, body, "file")


@case
def fetch_body_cap_without_length(ctx):
    body = PACKAGE[:5000]
    code, content, _ = fetch(ctx, "cap-over", ok(body, content_length=False), cap=4999, existing=b"old")
    expect_equal((code, content), (1, b"old"), "one byte past the cap")
    code, content, _ = fetch(ctx, "cap-exact", ok(body, content_length=False), cap=5000)
    expect_equal((code, content), (0, body), "exactly the cap")
    # A named length is not capped.
    code, content, _ = fetch(ctx, "cap-length", ok(body), cap=10)
    expect_equal((code, content), (0, body), "with Content-Length")


@case
def fetch_head_filling_the_buffer_fails(ctx):
    steps = [("send", b"HTTP/1.1 200 OK\r\nX-Padding: " + b"a" * (1 << 20) + b"\r\n\r\nbody")]
    code, content, _ = fetch(ctx, "huge-head", steps)
    expect_equal((code, content), (1, None), "head over 1 MiB")
