"""End-to-end cases of Renewer.exe under Wine: every outcome of a run."""
import os
import re
import subprocess
import time

from game import Game, started_records
from scripted_server import NOT_FOUND, ScriptedServer, ok

VERSION_PATH = "/remoteLauncherVersion.config"
PACKAGE_PATH = "/launcher/setup.exe"

BUSY = "\u51c6\u5907\u66f4\u65b0\uff0c\u8bf7\u5173\u95ed\u6b63\u5728\u8fd0\u884c\u7684Kestrova\u767b\u9646\u5668\uff01\n"
CONFIG_FAILED = "\u83b7\u53d6\u767b\u9646\u5668\u66f4\u65b0\u914d\u7f6e\u5931\u8d25\uff01\n"
UPDATE_FAILED = "\u767b\u9646\u5668\u66f4\u65b0\u5931\u8d25!\n"
VERIFYING = "\u6b63\u5728\u9a8c\u8bc1\u6765\u6e90...^_^\n"
BUILDING = "\u6b63\u5728\u6784\u5efa\u661f\u7cfb,\u8bf7\u7a0d\u7b49...^_^\n"
DOWNLOADED = "\r\u5df2\u7ecf\u4e0b\u8f7d "
OPENING = DOWNLOADED + "0%"
CLOSING = DOWNLOADED + "99%\n"

RECORD = b"latestVersion=1.0.4\r\nremoteLatestLauncherUrl=/launcher/setup.exe\r\n"
# Bytes of every value, NULs and line ends included, so any translation shows.
PACKAGE = bytes((i * 7 + (i >> 8)) & 0xFF for i in range(300000))

CASES = {}


def case(fn):
    CASES[fn.__name__] = fn
    return fn


def expect(cond, what):
    if not cond:
        raise AssertionError(what)


def expect_equal(actual, wanted, what):
    if actual != wanted:
        raise AssertionError("%s: got %r, wanted %r" % (what, actual, wanted))


def request_bytes(path, port_host="127.0.0.1"):
    return b"GET " + path.encode() + b" HTTP/1.0\r\nHost: " + port_host.encode() + b"\r\nConnection: Close\r\n\r\n"


def expect_failure(game, result, message, what):
    expect_equal(result.code, 1, what + ": exit code")
    expect_equal(result.trace.console_opened, 1, what + ": consoles opened")
    expect_equal(result.trace.writes[-1], message, what + ": last message")
    expect(result.trace.waited_for_key, what + ": no key wait")


def expect_progress(writes, what):
    """Opening line, a line for each new percentage (paced, so possibly
    none for a fast download), closing line."""
    expect_equal(writes[0], OPENING, what + ": opening line")
    expect_equal(writes[-1], CLOSING, what + ": closing line")
    percents = [0]
    for w in writes[1:-1]:
        m = re.fullmatch(re.escape(DOWNLOADED) + r"(\d+)%", w)
        expect(m is not None, what + ": not a progress line: %r" % w)
        percents.append(int(m.group(1)))
    expect(all(a < b for a, b in zip(percents, percents[1:])) and percents[-1] <= 99,
           what + ": percentages %r" % percents)
    return percents[1:]


def start_running_launcher(ctx, name):
    """A stand-in running under the file name `name`, from a folder of its own."""
    folder = ctx.fresh_dir("running-" + name.replace(".", "-"))
    exe = os.path.join(folder, name)
    ctx.standin(exe, "hold")
    open(exe + ".hold", "w").close()
    proc = ctx.wine.start([exe], cwd=folder)
    started_records(exe)  # it shows up in the process list before it logs
    return exe, proc


def stop_running_launcher(exe, proc):
    os.remove(exe + ".hold")
    proc.wait(timeout=30)


def versions_case(ctx, name, record, launcher=True, version=b"1.0.3", routes=None):
    routes = routes or {VERSION_PATH: ok(record), PACKAGE_PATH: ok(PACKAGE)}
    server = ScriptedServer(routes)
    game = Game(ctx, name, port=server.port, version=version, launcher=launcher)
    with server:
        result = game.run()
    return game, server, result


def expect_updated(game, server, result, version, what, package_path=PACKAGE_PATH):
    expect_equal(result.code, 0, what + ": exit code")
    expect_equal(server.requests, [request_bytes(VERSION_PATH), request_bytes(package_path)], what + ": requests")
    expect_equal(game.read("tempKestrova2013New.exe"), PACKAGE, what + ": package file")
    expect_equal(game.read("Bin/launcherVersion.txt"), version, what + ": version file")
    expect_equal(result.trace.writes[:2], [VERIFYING, BUILDING], what + ": waiting lines")
    expect_progress(result.trace.writes[2:], what)
    expect(not result.trace.waited_for_key, what + ": waited for a key")
    starts = game.installer_starts()
    expect_equal(len(starts), 1, what + ": Installer starts")
    expect_equal(starts[0][1], ".\\Bin\\Installer.exe", what + ": Installer command line")
    expect_equal(starts[0][2].lower(), game.windows_path().lower(), what + ": Installer directory")
    expect_equal(game.launcher_starts(expect=False), [], what + ": launcher started")


# --- the outcome table -----------------------------------------------------

@case
def busy_launcher_running(ctx):
    exe, proc = start_running_launcher(ctx, "Portico.exe")
    try:
        server = ScriptedServer({VERSION_PATH: ok(RECORD)})
        game = Game(ctx, "busy", port=server.port)
        before = game.files()
        with server:
            result = game.run()
    finally:
        stop_running_launcher(exe, proc)
    expect_failure(game, result, BUSY, "busy")
    expect_equal(result.trace.writes, [BUSY], "busy: console text")
    expect_equal(server.requests, [], "busy: requests")
    expect_equal(game.files(), before, "busy: files")
    expect_equal(game.read("Bin/launcherVersion.txt"), b"1.0.3", "busy: version file")


@case
def launcher_name_differs_in_case(ctx):
    exe, proc = start_running_launcher(ctx, "portico.exe")
    try:
        game, server, result = versions_case(ctx, "case-differs", b"latestVersion=1.0.3\n", version=b"1.0.3")
    finally:
        stop_running_launcher(exe, proc)
    expect_equal(result.code, 0, "exit code")
    expect_equal(result.trace.console_opened, 0, "consoles opened")
    expect_equal(len(game.launcher_starts()), 1, "launcher starts")


@case
def no_address(ctx):
    configs = {
        "missing": None,
        "port zero": b"127.0.0.1\n0\n",
        "port not a number": b"127.0.0.1\nhttp\n",
        "port in hex": b"127.0.0.1\n0x50\n",
        "empty host": b"\n80\n",
        "empty file": b"",
        "no port line": b"127.0.0.1\n",
        "one line without LF": b"127.0.0.1",
        "lines ended by CR alone": b"127.0.0.1\r80\r",
        "host of 1024 characters": b"a" * 1024 + b"\n80\n",
    }
    with ScriptedServer({VERSION_PATH: ok(RECORD)}) as server:
        for what, config in configs.items():
            game = Game(ctx, "no-address", port=None)
            if config is not None:
                game.write("Bin/config.dat", config.replace(b"80", b"%d" % server.port))
            result = game.run()
            expect_failure(game, result, CONFIG_FAILED, what)
            expect_equal(result.trace.writes, [CONFIG_FAILED], what + ": console text")
            expect_equal(game.read("Bin/launcherVersion.txt"), b"1.0.3", what + ": version file")
    expect_equal(server.requests, [], "requests")


@case
def port_uses_low_16_bits(ctx):
    server = ScriptedServer({VERSION_PATH: ok(b"latestVersion=1.0.3\n")})
    game = Game(ctx, "port-wraps", port=server.port + 65536)
    with server:
        result = game.run()
    expect_equal(result.code, 0, "exit code")
    # The Host header never carries the port.
    expect_equal(server.requests, [request_bytes(VERSION_PATH)], "requests")


@case
def no_record(ctx):
    replies = {
        "404": NOT_FOUND,
        "close without reply": [],
        "not HTTP": [("send", b"SSH-2.0-OpenSSH_9.2\r\n\r\n")],
        "500": [("send", b"HTTP/1.1 500 Internal Server Error\r\nContent-Length: 0\r\n\r\n")],
    }
    for what, steps in replies.items():
        game, server, result = versions_case(ctx, "no-record", None, routes={VERSION_PATH: steps})
        expect_failure(game, result, CONFIG_FAILED, what)
        expect_equal(result.trace.writes, [CONFIG_FAILED], what + ": console text")
        expect_equal(server.requests, [request_bytes(VERSION_PATH)], what + ": requests")
        expect_equal(game.files(), ["Bin/Installer.exe", "Bin/Portico.exe", "Bin/config.dat",
                                    "Bin/launcherVersion.txt", "Renewer.exe"], what + ": files")
    # Nothing listens on a port just released: the connection is refused.
    game = Game(ctx, "refused", port=server.port)
    expect_failure(game, game.run(), CONFIG_FAILED, "refused")


@case
def current(ctx):
    game, server, result = versions_case(ctx, "current", b"latestVersion=1.0.3\nremoteLatestLauncherUrl=/x.exe\n")
    expect_equal(result.code, 0, "exit code")
    expect_equal(result.trace.console_opened, 0, "consoles opened")
    expect_equal(result.trace.writes, [], "console text")
    expect_equal(server.requests, [request_bytes(VERSION_PATH)], "requests")
    starts = game.launcher_starts()
    expect_equal(len(starts), 1, "launcher starts")
    expect_equal(starts[0][1], ".\\Bin\\Portico.exe -popupwindow", "launcher command line")
    expect_equal(starts[0][2].lower(), game.windows_path().lower(), "launcher directory")
    expect_equal(game.installer_starts(expect=False), [], "Installer starts")
    expect_equal(game.read("Bin/launcherVersion.txt"), b"1.0.3", "version file")
    expect("tempVersion.dat" not in game.files(), "scratch record left behind")


@case
def nothing_to_fetch(ctx):
    game, server, result = versions_case(ctx, "nothing", b"no keys in here\n")
    expect_failure(game, result, UPDATE_FAILED, "nothing to fetch")
    expect_equal(result.trace.writes, [UPDATE_FAILED], "console text")
    expect_equal(server.requests, [request_bytes(VERSION_PATH)], "requests")
    expect_equal(game.read("Bin/launcherVersion.txt"), b"1.0.3", "version file")


@case
def fetch_failed(ctx):
    game, server, result = versions_case(ctx, "fetch-failed", RECORD, routes={VERSION_PATH: ok(RECORD)})
    expect_failure(game, result, UPDATE_FAILED, "fetch failed")
    expect_equal(result.trace.writes, [VERIFYING, BUILDING, UPDATE_FAILED], "console text")
    expect_equal(server.requests, [request_bytes(VERSION_PATH), request_bytes(PACKAGE_PATH)], "requests")
    expect_equal(game.installer_starts(expect=False), [], "Installer starts")
    expect_equal(game.read("Bin/launcherVersion.txt"), b"1.0.3", "version file")
    expect_equal(game.read("tempKestrova2013New.exe"), None, "package file")


@case
def updated(ctx):
    game, server, result = versions_case(ctx, "updated", RECORD)
    expect_updated(game, server, result, b"1.0.4", "updated")
    expect_equal(sorted(f for f in game.files() if not f.startswith("Bin/")),
                 ["Renewer.exe", "tempKestrova2013New.exe"], "scratch files left")


@case
def updated_without_content_length_in_pieces(ctx):
    # The head arrives byte by byte and the body in uneven pieces until the close.
    head = b"HTTP/1.0 200 OK\r\nServer: scripted\r\n\r\n"
    steps = [("send", head[i:i + 1]) for i in range(len(head))]
    steps += [("sleep", 0.05)]
    for start in range(0, len(PACKAGE), 70000):
        steps += [("send", PACKAGE[start:start + 70000]), ("sleep", 0.05)]
    game, server, result = versions_case(ctx, "pieces", RECORD,
                                         routes={VERSION_PATH: ok(RECORD), PACKAGE_PATH: steps})
    expect_updated(game, server, result, b"1.0.4", "pieces")
    # Without a length the percentage is of the 10 MiB mark: 300000 bytes is
    # 2 %, and the pieces come slowly enough for a line to be shown.
    expect_equal(expect_progress(result.trace.writes[2:], "pieces")[-1:], [2], "last percentage")


@case
def updated_in_code_page_936(ctx):
    server = ScriptedServer({VERSION_PATH: ok(RECORD), PACKAGE_PATH: ok(PACKAGE)})
    game = Game(ctx, "cp936", port=server.port)
    with server:
        result = game.run(lang="zh_CN.UTF-8")
    expect_updated(game, server, result, b"1.0.4", "cp936")


@case
def failure_messages_in_both_code_pages(ctx):
    for lang, prompt in (("zh_CN.UTF-8", "\u8bf7\u6309\u4efb\u610f\u952e"), ("en_US.UTF-8", "Press any key")):
        game = Game(ctx, "codepage", port=None)
        result = game.run(lang=lang)
        expect_failure(game, result, CONFIG_FAILED, lang)
        # cmd.exe's own prompt shows which code page the run had.
        expect(prompt in result.trace.pause_prompt, lang + ": pause prompt %r" % result.trace.pause_prompt)


@case
def equal_versions_launcher_missing(ctx):
    record = b"latestVersion=1.0.3\nremoteLatestLauncherUrl=/launcher/setup.exe\n"
    game, server, result = versions_case(ctx, "no-launcher", record, launcher=False)
    expect_updated(game, server, result, b"1.0.3", "launcher missing")


@case
def version_file_with_line_end(ctx):
    # "1.0.3" CR LF reads as "1.0.3" LF, which never equals a latestVersion;
    # the update writes the version back with no line end.
    record = b"latestVersion=1.0.3\nremoteLatestLauncherUrl=/launcher/setup.exe\n"
    game, server, result = versions_case(ctx, "crlf-version", record, version=b"1.0.3\r\n")
    expect_updated(game, server, result, b"1.0.3", "line end")


@case
def version_file_missing(ctx):
    # Any latestVersion differs from the empty local version.
    game, server, result = versions_case(ctx, "version-missing", RECORD, version=None)
    expect_updated(game, server, result, b"1.0.4", "missing, record has a version")
    # A record without latestVersion then counts as equal: the launcher starts.
    game, server, result = versions_case(ctx, "version-missing-2", b"remoteLatestLauncherUrl=/x\n", version=None)
    expect_equal(result.code, 0, "exit code")
    expect_equal(result.trace.console_opened, 0, "consoles opened")
    expect_equal(len(game.launcher_starts()), 1, "launcher starts")


@case
def record_without_latest_version(ctx):
    game, server, result = versions_case(ctx, "url-only", b"remoteLatestLauncherUrl=/launcher/setup.exe\n")
    expect_updated(game, server, result, b"", "url only")


@case
def record_without_url(ctx):
    game, server, result = versions_case(ctx, "version-only", b"latestVersion=1.0.4\n",
                                         routes={VERSION_PATH: ok(b"latestVersion=1.0.4\n"), "": ok(PACKAGE)})
    # The fetch is made all the same, with an empty request path.
    expect_updated(game, server, result, b"1.0.4", "version only", package_path="")


@case
def installer_missing(ctx):
    server = ScriptedServer({VERSION_PATH: ok(RECORD), PACKAGE_PATH: ok(PACKAGE)})
    game = Game(ctx, "no-installer", port=server.port, installer=False)
    with server:
        result = game.run()
    expect_failure(game, result, UPDATE_FAILED, "Installer missing")
    expect_equal(result.trace.writes[:2], [VERIFYING, BUILDING], "waiting lines")
    expect_equal(game.read("Bin/launcherVersion.txt"), b"1.0.3", "version file")


@case
def key_wait_holds_the_console(ctx):
    game = Game(ctx, "key-wait", port=None)
    trace = os.path.join(ctx.state_dir, "cases", "key-wait.trace")
    proc = ctx.wine.start(["Renewer.exe"], cwd=game.root, stdin=subprocess.PIPE, trace_file=trace)
    try:
        time.sleep(3)
        expect(proc.poll() is None, "Renewer ended without a key press")
        proc.stdin.write(b"\n")
        proc.stdin.close()
        expect_equal(proc.wait(timeout=30), 1, "exit code")
    finally:
        if proc.poll() is None:
            proc.kill()


# --- replies the package fetch must refuse ---------------------------------

FAILED_REPLIES = {
    "404 other phrase": [("send", b"HTTP/1.1 404 Missing\r\nContent-Length: 5\r\n\r\nnope!")],
    "403": [("send", b"HTTP/1.1 403 Forbidden\r\n\r\ndenied")],
    "redirect": [("send", b"HTTP/1.1 302 Found\r\nLocation: /launcher/other.exe\r\n\r\n")],
    "close without reply": [],
    "close inside the head": [("send", b"HTTP/1.1 200 OK\r\nContent-Le")],
    "lone LF line ends": [("send", b"HTTP/1.1 200 OK\nContent-Length: 3\n\nabc")],
    "reset mid-body": [("send", b"HTTP/1.1 200 OK\r\nContent-Length: 300000\r\n\r\n" + PACKAGE[:50000]),
                       ("sleep", 0.3), ("reset",)],
    "short Content-Length": [("send", b"HTTP/1.1 200 OK\r\nContent-Length: 300001\r\n\r\n" + PACKAGE)],
    "malformed Content-Length": [("send", b"HTTP/1.1 200 OK\r\nContent-Length: 12x\r\n\r\n" + PACKAGE)],
}


OLD_PACKAGE = b"package of an earlier run"


def failed_update_over_earlier_package(ctx, name, record, package_reply, what):
    """Runs an update whose package fetch or check must fail, in a game folder
    that still holds the package of an earlier run; checks the failure."""
    server = ScriptedServer({VERSION_PATH: ok(record), PACKAGE_PATH: package_reply})
    game = Game(ctx, name, port=server.port)
    game.write("tempKestrova2013New.exe", OLD_PACKAGE)
    with server:
        result = game.run()
    expect_failure(game, result, UPDATE_FAILED, what)
    expect_equal(result.trace.writes[:2], [VERIFYING, BUILDING], what + ": waiting lines")
    return game, server


def expect_nothing_lost(game, what, package=OLD_PACKAGE):
    expect_equal(game.read("Bin/launcherVersion.txt"), b"1.0.3", what + ": version file")
    expect_equal(game.read("tempKestrova2013New.exe"), package, what + ": package file")
    expect_equal(game.read("tempKestrova2013New.exe.part"), None, what + ": scratch file")
    expect_equal(game.read("tempVersion.dat"), None, what + ": scratch record")
    expect_equal(game.installer_starts(expect=False), [], what + ": Installer starts")


@case
def package_replies_refused(ctx):
    for what, steps in FAILED_REPLIES.items():
        game, _ = failed_update_over_earlier_package(ctx, "refused-reply", RECORD, steps, what)
        expect_nothing_lost(game, what)


@case
def package_accepted_despite_404_text_in_body(ctx):
    body = b"HTTP/1.1 404 Not Found\r\n" + PACKAGE  # the text inside the body, not the status
    routes = {VERSION_PATH: ok(RECORD), PACKAGE_PATH: ok(body)}
    game, server, result = versions_case(ctx, "404-in-body", RECORD, routes=routes)
    expect_equal(result.code, 0, "exit code")
    expect_equal(game.read("tempKestrova2013New.exe"), body, "package file")


@case
def content_length_ends_the_body(ctx):
    # The server keeps the connection open after the promised bytes: the
    # length, not the close, ends the transfer; extra bytes are not the body.
    steps = [("send", b"HTTP/1.1 200 OK\r\nContent-Length: 300000\r\n\r\n" + PACKAGE + b"trailing"), ("hang", 60)]
    game, server, result = versions_case(ctx, "length-ends", RECORD,
                                         routes={VERSION_PATH: ok(RECORD), PACKAGE_PATH: steps})
    expect_updated(game, server, result, b"1.0.4", "length ends the body")
