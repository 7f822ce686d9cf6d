#!/usr/bin/env python3
"""Shows one whole update of the 32-bit build as a player sees it (tools/demo.sh runs it).

    demo.py run    build/demo/game at 1.0.3, updated to 1.0.4 from a local HTTP server
    demo.py stop   ends what a demo run started (server, wineserver, Xvfb)

Exit code 0 when every step went as described, 1 otherwise.
"""
import array
import hashlib
import json
import os
import re
import shutil
import signal
import socket
import struct
import subprocess
import sys
import textwrap
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))

from game import STANDIN_MARKER, started_records  # noqa: E402
from wine_env import ConsoleTrace, WineEnv  # noqa: E402

WIN_BUILD = os.path.join(ROOT, "build", "win-i686")
DEMO = os.path.join(ROOT, "build", "demo")
GAME = os.path.join(DEMO, "game")
WWW = os.path.join(DEMO, "www")
PREFIX = os.path.join(DEMO, "prefix")  # WineEnv(DEMO) keeps its prefix here
STATE_FILE = os.path.join(DEMO, "state.json")  # and its display and Xvfb pid here
SERVER_PID = os.path.join(DEMO, "server.pid")
SERVER_LOG = os.path.join(DEMO, "server.log")
SCREENSHOT = os.path.join(DEMO, "console.png")
PACKAGE = "tempKestrova2013New.exe"
LANG = "zh_CN.UTF-8"

# Over loopback the download is the only time the console is on screen. This
# much padding keeps it there for most of a second, long enough for a dozen
# screenshots. The stand-in holds its whole image in memory a few times over
# in a 32-bit process, so much more would risk its allocations.
PACKAGE_PADDING = 64 << 20
PACKAGE_SCRIPT = "tag package\nwrite Bin\\installed.txt Kestrova launcher 1.0.4\ncopyself Bin\\Portico.exe new\n"

VERIFYING = "正在验证来源...^_^"
BUILDING = "正在构建星系,请稍等...^_^"
DOWNLOADED = "已经下载 "
# DOWNLOADED as Wine's +console trace spells it: UTF-16 units as \XXXX.
TRACED_PROGRESS = re.compile(
    re.escape("".join("\\%04x" % ord(c) if ord(c) > 127 else c for c in DOWNLOADED).encode()) + rb"(\d+)%")


class DemoFailed(Exception):
    pass


def check(condition, message):
    if not condition:
        raise DemoFailed(message)


def rel(path):
    return os.path.relpath(path, ROOT)


# --- processes ---------------------------------------------------------------

def _running(pid):
    try:
        with open("/proc/%d/stat" % pid) as f:
            return f.read().rsplit(")", 1)[1].split()[0] != "Z"
    except (OSError, IndexError):
        return False


def _cmdline(pid):
    try:
        with open("/proc/%d/cmdline" % pid, "rb") as f:
            return f.read()
    except OSError:
        return b""


def _prefix_processes():
    """Processes of the demo's Wine prefix (wineserver, wine programs)."""
    key = ("WINEPREFIX=" + PREFIX).encode()
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/environ" % entry, "rb") as f:
                if key in f.read().split(b"\0") and _running(int(entry)):
                    found.append(int(entry))
        except OSError:
            pass
    return found


def stop():
    """Ends the demo's server, wineserver and Xvfb; returns what still runs after 15 s."""
    if os.path.exists(SERVER_PID):
        with open(SERVER_PID) as f:
            pid = int(f.read())
        if _running(pid) and b"http.server" in _cmdline(pid):
            os.kill(pid, signal.SIGTERM)
        os.remove(SERVER_PID)
    else:
        pid = None
    xvfb = None
    if os.path.exists(STATE_FILE):
        with open(STATE_FILE) as f:
            xvfb = json.load(f)["xvfb_pid"]
    if os.path.isdir(PREFIX):
        subprocess.run(["wineserver", "-k"], env=dict(os.environ, WINEPREFIX=PREFIX), timeout=60,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    if xvfb and _running(xvfb) and b"Xvfb" in _cmdline(xvfb):
        os.kill(xvfb, signal.SIGTERM)
    if os.path.exists(STATE_FILE):
        os.remove(STATE_FILE)

    deadline = time.monotonic() + 15
    while True:
        left = [p for p in (pid, xvfb) if p and _running(p)] + _prefix_processes()
        if not left or time.monotonic() > deadline:
            return left
        time.sleep(0.2)


def start_server(port):
    log = open(SERVER_LOG, "wb")
    server = subprocess.Popen([sys.executable, "-m", "http.server", "--bind", "127.0.0.1", str(port)],
                              cwd=WWW, stdin=subprocess.DEVNULL, stdout=log, stderr=log)
    log.close()
    with open(SERVER_PID, "w") as f:
        f.write(str(server.pid))
    deadline = time.monotonic() + 15
    while time.monotonic() < deadline:
        check(server.poll() is None, "the HTTP server exited at once; see " + rel(SERVER_LOG))
        try:
            socket.create_connection(("127.0.0.1", port), timeout=0.5).close()
            return server
        except OSError:
            time.sleep(0.1)
    raise DemoFailed("the HTTP server did not accept connections within 15 s")


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


# --- the game folder and the server's folder ---------------------------------

def fresh(path):
    if os.path.exists(path):
        subprocess.run(["chmod", "-R", "u+w", path], check=True)
        shutil.rmtree(path)
    os.makedirs(path)


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def standin(script):
    return read(os.path.join(WIN_BUILD, "tests", "tools", "standin.exe")) + STANDIN_MARKER + script.encode()


def standin_tag(path):
    data = read(path)
    at = data.find(STANDIN_MARKER)
    tags = re.findall(rb"^tag (\S+)", data[at + len(STANDIN_MARKER):], re.M) if at >= 0 else []
    return tags[-1].decode() if tags else None


def make_game(port):
    fresh(GAME)
    shutil.copyfile(os.path.join(WIN_BUILD, "Renewer.exe"), os.path.join(GAME, "Renewer.exe"))
    os.makedirs(os.path.join(GAME, "Bin"))
    shutil.copyfile(os.path.join(WIN_BUILD, "Installer.exe"), os.path.join(GAME, "Bin", "Installer.exe"))
    write(os.path.join(GAME, "Bin", "config.dat"), b"127.0.0.1\n%d\n" % port)
    write(os.path.join(GAME, "Bin", "launcherVersion.txt"), b"1.0.3")
    write(os.path.join(GAME, "Bin", "Portico.exe"), standin("tag old\n"))


def make_www():
    fresh(WWW)
    # The padding is one line of NULs after the script: a command the stand-in
    # does not know, so it ignores it.
    package = standin(PACKAGE_SCRIPT) + b"\0" * PACKAGE_PADDING + b"\n"
    write(os.path.join(WWW, "launcher", "setup.exe"), package)
    # As a publisher should: the record names the package's size and hash.
    write(os.path.join(WWW, "remoteLauncherVersion.config"),
          b"latestVersion=1.0.4\nremoteLatestLauncherUrl=/launcher/setup.exe\n"
          b"remoteLatestLauncherSize=%d\nremoteLatestLauncherSha256=%s\n"
          % (len(package), hashlib.sha256(package).hexdigest().encode()))


def show_folder(title):
    print("\n== %s (%s)" % (title, rel(GAME)))
    for dirpath, dirs, names in os.walk(GAME):
        dirs.sort()
        for name in sorted(names, key=str.lower):
            path = os.path.join(dirpath, name)
            shown = os.path.relpath(path, GAME).replace(os.sep, "\\")
            note = ""
            if name.endswith(".exe") and standin_tag(path):
                note = 'stand-in tagged "%s"' % standin_tag(path)
            elif name.endswith((".txt", ".dat", ".log")):
                note = repr(read(path).decode("utf-8", "replace"))
            print("  %-32s %12s bytes  %s" % (shown, format(os.path.getsize(path), ","), note))


# --- screenshots ---------------------------------------------------------------

def text_lines_at_left(xwd, strip=240):
    """How many lines of text the left `strip` pixels of an XWD screenshot hold:
    runs of at least 4 pixel rows that are partly lit. Fully lit rows (a
    scroll bar) are no text."""
    header = struct.unpack(">25I", xwd[:100])  # xwd writes its header big-endian
    header_size, width, height, byte_order, line_bytes, colours = (
        header[0], header[4], header[5], header[7], header[12], header[19])
    check(line_bytes // width == 4, "unexpected screenshot pixel format")
    pixels = bytearray(xwd[header_size + 12 * colours:])
    unused = 3 if byte_order == 0 else 0  # the byte of each 32-bit pixel beyond its 24 colour bits
    pixels[unused::4] = bytes(len(pixels[unused::4]))
    strip = min(strip, width)
    lines, run = 0, 0
    for y in range(height):
        lit = strip - array.array("I", pixels[y * line_bytes:y * line_bytes + strip * 4]).count(0)
        run = run + 1 if 0 < lit < strip * 0.6 else 0
        lines += run == 4
    return lines


def run_update(wine, trace_path):
    """Runs Renewer while taking screenshots; returns its exit code and a
    screenshot (XWD) that shows the progress line, or None: the first taken
    once Renewer had written 50 % or more, else the last one."""
    renewer = wine.start(["Renewer.exe"], cwd=GAME, lang=LANG, trace_file=trace_path)
    display = wine.env()["DISPLAY"]
    best, halfway, deadline = None, False, time.monotonic() + 120
    try:
        while renewer.poll() is None:
            check(time.monotonic() < deadline, "Renewer did not end within 120 s")
            traced = [int(p) for p in TRACED_PROGRESS.findall(read(trace_path))]
            shot = subprocess.run(["xwd", "-root", "-silent", "-display", display],
                                  stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=30).stdout
            # Three lines: both waiting lines and the progress line, painted.
            if traced and not halfway and len(shot) > 100 and text_lines_at_left(shot) >= 3:
                best, halfway = shot, traced[-1] >= 50
    finally:
        if renewer.poll() is None:
            renewer.kill()
        renewer.wait()
    return renewer.returncode, best


def console_screen(writes):
    """The console's text as the player last saw it: each '\\r' rewrites its line."""
    lines, col = [[]], 0
    for text in writes:
        for c in text:
            if c == "\n":
                lines.append([])
                col = 0
            elif c == "\r":
                col = 0
            else:
                line = lines[-1]
                line[col:col + 1] = [c]
                col += 1
    return ["".join(line) for line in lines if line]


# --- the demonstration ----------------------------------------------------------

def demo():
    port = free_port()
    make_game(port)
    make_www()
    show_folder("The game folder before the update")

    wine = WineEnv(DEMO)
    if not os.path.isdir(os.path.join(PREFIX, "drive_c")):
        print("\n(creating the Wine prefix %s, once: about 20 s)" % rel(PREFIX))
    wine.setup()
    # A Chinese Windows gives its console a CJK font; Wine's default shows boxes.
    subprocess.run(["wine", "reg", "add", "HKCU\\Console", "/v", "FaceName", "/d", "WenQuanYi Micro Hei Mono", "/f"],
                   env=wine.env(LANG, trace=False), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                   timeout=120, check=True)
    server = start_server(port)
    package = os.path.join(WWW, "launcher", "setup.exe")
    print("\n== The update server: python3 -m http.server --bind 127.0.0.1 %d, serving %s" % (port, rel(WWW)))
    print("  remoteLauncherVersion.config  %r" % read(os.path.join(WWW, "remoteLauncherVersion.config")).decode())
    print("  launcher/setup.exe            %s bytes (stand-in package: %s)"
          % (format(os.path.getsize(package), ","), PACKAGE_SCRIPT.strip().replace("\n", "; ")))

    print("\n== Renewer.exe, first run (LANG=%s, display %s, WINEDEBUG=+console,+pid)" % (LANG, wine.env()["DISPLAY"]))
    trace_path = os.path.join(DEMO, "update.trace")
    code, shot = run_update(wine, trace_path)
    print("  exit code: %d" % code)
    trace = ConsoleTrace(trace_path)
    screen = console_screen(trace.writes)
    print("  consoles opened: %d; the console's text at the end:" % trace.console_opened)
    for line in screen:
        print("    | " + line)
    shown = [w.strip("\r\n")[len(DOWNLOADED):] for w in trace.writes if w.startswith("\r" + DOWNLOADED)]
    print("\n".join(textwrap.wrap("  the progress line was written %d times: %s" % (len(shown), " ".join(shown)),
                                  width=100, subsequent_indent="    ")))
    with open(SERVER_LOG, "rb") as f:
        requests = re.findall(rb'"(GET [^"]*)" (\d+)', f.read())
    print("  the server answered: " + "; ".join("%s -> %s" % (r.decode(), s.decode()) for r, s in requests))
    check(code == 0, "Renewer's first run ended with exit code %d" % code)
    check(trace.console_opened == 1, "Renewer opened %d consoles during the update" % trace.console_opened)
    check(screen == [VERIFYING, BUILDING, DOWNLOADED + "99%"],
          "the console does not show the two waiting lines and the finished progress line")
    check(shot is not None, "no screenshot showed the console with its progress line")
    subprocess.run(["convert", "xwd:-", SCREENSHOT], input=shot, check=True, timeout=60)
    print("  screenshot of the console during the download: %s" % SCREENSHOT)

    print("\n== Installer runs the package")
    began, deadline = time.monotonic(), time.monotonic() + 60
    while os.path.exists(os.path.join(GAME, PACKAGE)):
        check(time.monotonic() < deadline, "%s was still in the game folder after 60 s" % PACKAGE)
        time.sleep(0.1)
    print("  %s removed %.1f s after Renewer ended" % (PACKAGE, time.monotonic() - began))
    for tag, command, cwd in started_records(os.path.join(GAME, PACKAGE)):
        print("  the package's log: started as \"%s\" in %s" % (command, cwd))

    show_folder("The game folder after the update")
    version = read(os.path.join(GAME, "Bin", "launcherVersion.txt"))
    check(version == b"1.0.4", "Bin\\launcherVersion.txt reads %r, not 1.0.4" % version)
    check(standin_tag(os.path.join(GAME, "Bin", "Portico.exe")) == "new", "Bin\\Portico.exe is not the new launcher")
    check(os.path.exists(os.path.join(GAME, "Bin", "installed.txt")), "the package's marker file is missing")

    print("\n== Renewer.exe, second run: the installed version is current")
    trace_path = os.path.join(DEMO, "current.trace")
    code = wine.run(["Renewer.exe"], cwd=GAME, lang=LANG, trace_file=trace_path)
    trace = ConsoleTrace(trace_path)
    print("  exit code: %d; consoles opened: %d" % (code, trace.console_opened))
    launches = started_records(os.path.join(GAME, "Bin", "Portico.exe"))
    for tag, command, cwd in launches:
        print("  Bin\\Portico.exe.log: tag \"%s\", command line \"%s\", in %s" % (tag, command, cwd))
    check(code == 0, "Renewer's second run ended with exit code %d" % code)
    check(trace.console_opened == 0, "Renewer opened a console although the launcher is current")
    check(len(launches) == 1 and launches[0][0] == "new" and launches[0][1].endswith(" -popupwindow"),
          "the second run did not start the new launcher once with -popupwindow")
    server.terminate()
    server.wait()


def main():
    sys.stdout.reconfigure(encoding="utf-8", line_buffering=True)
    if sys.argv[1:] == ["stop"]:
        left = stop()
        if left:
            print("demo: still running after stop: pids %s" % left)
        return 1 if left else 0
    if sys.argv[1:] != ["run"]:
        print(__doc__)
        return 2
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    signal.signal(signal.SIGHUP, lambda *_: sys.exit(129))
    os.makedirs(DEMO, exist_ok=True)
    passed = False
    try:
        left = stop()  # what an interrupted run may have left
        check(not left, "processes of an earlier demo run would not end: pids %s" % left)
        demo()
        passed = True
    except DemoFailed as e:
        print("\ndemo FAILED: %s" % e)
    except KeyboardInterrupt:
        print("\ndemo interrupted")
    finally:
        for sig in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):  # a second signal must not cut the cleanup short
            signal.signal(sig, signal.SIG_IGN)
        left = stop()
        if left:
            print("demo FAILED: still running after stopping the demo: pids %s" % left)
            passed = False
    if passed:
        print("\n== Demo passed; server, wineserver and Xvfb stopped. Console screenshot: %s" % SCREENSHOT)
    return 0 if passed else 1


if __name__ == "__main__":
    sys.exit(main())
