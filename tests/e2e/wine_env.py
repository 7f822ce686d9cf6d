"""One Wine prefix with its own Xvfb display and a persistent wineserver.

Every case of one architecture runs in the same prefix, one at a time: a
prefix has one process list, and the launcher probe sees all of it.
"""
import json
import os
import re
import signal
import subprocess

WINE_OUTPUT_TIMEOUT = 90


def _start_xvfb():
    """Starts Xvfb on a display it picks itself (no race with another suite
    scanning for a free number); returns (display, pid)."""
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-nolisten", "tcp", "-screen", "0", "1024x768x24"],
                            pass_fds=(write_end,), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL, start_new_session=True)
    os.close(write_end)
    number = b""
    with os.fdopen(read_end, "rb") as pipe:
        while not number.endswith(b"\n"):
            byte = pipe.read(1)
            if not byte:
                raise RuntimeError("Xvfb did not start")
            number += byte
    return ":" + number.decode().strip(), xvfb.pid


def _is_xvfb(pid):
    try:
        with open("/proc/%d/cmdline" % pid, "rb") as f:
            return f.read().split(b"\0")[0].endswith(b"Xvfb")
    except OSError:
        return False


class WineEnv:
    def __init__(self, state_dir):
        self.state_dir = os.path.abspath(state_dir)
        self.prefix = os.path.join(self.state_dir, "prefix")
        self.state_file = os.path.join(self.state_dir, "state.json")

    def env(self, lang="en_US.UTF-8", trace=True):
        with open(self.state_file) as f:
            state = json.load(f)
        env = dict(os.environ)
        env.update({
            "WINEPREFIX": self.prefix,
            "DISPLAY": state["display"],
            "WINEDEBUG": "+console,+pid" if trace else "-all",
            "LANG": lang,
            "LC_ALL": lang,
            "WINEDLLOVERRIDES": "mscoree,mshtml=",  # no Mono/Gecko install dialogs
        })
        return env

    def setup(self):
        os.makedirs(self.state_dir, exist_ok=True)
        self.teardown(quiet=True)
        display, xvfb_pid = _start_xvfb()
        with open(self.state_file, "w") as f:
            json.dump({"display": display, "xvfb_pid": xvfb_pid}, f)
        env = self.env(trace=False)
        if not os.path.isdir(os.path.join(self.prefix, "drive_c")):
            subprocess.run(["wineboot", "-i"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                           timeout=300, check=True)
        # A server kept alive makes each later start take half a second. It must
        # be one started with this DISPLAY, so the one wineboot left goes first.
        # The server outlives this script: it must not hold CTest's output pipe.
        quiet = {"stdin": subprocess.DEVNULL, "stdout": subprocess.DEVNULL, "stderr": subprocess.DEVNULL}
        subprocess.run(["wineserver", "-k"], env=env, timeout=60, **quiet)
        subprocess.run(["wineserver", "-w"], env=env, timeout=60, **quiet)
        subprocess.run(["wineserver", "-p"], env=env, check=True, timeout=60, **quiet)
        subprocess.run(["wine", "cmd", "/c", "exit"], env=env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=120)

    def teardown(self, quiet=False):
        if not os.path.exists(self.state_file):
            return
        try:
            subprocess.run(["wineserver", "-k"], env=self.env(trace=False), timeout=60,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        except (subprocess.SubprocessError, OSError):
            pass
        with open(self.state_file) as f:
            state = json.load(f)
        if _is_xvfb(state["xvfb_pid"]):  # a stale file may name a reused pid
            os.kill(state["xvfb_pid"], signal.SIGTERM)
        os.remove(self.state_file)

    def start(self, args, cwd, lang="en_US.UTF-8", stdin=subprocess.DEVNULL, trace_file=None):
        """Starts a Windows program under Wine; returns the Popen."""
        stderr = open(trace_file, "wb") if trace_file else subprocess.DEVNULL
        try:
            return subprocess.Popen(["wine"] + list(args), cwd=cwd, env=self.env(lang),
                                    stdin=stdin, stdout=subprocess.DEVNULL, stderr=stderr)
        finally:
            if trace_file:
                stderr.close()

    def run(self, args, cwd, lang="en_US.UTF-8", trace_file=None, timeout=WINE_OUTPUT_TIMEOUT):
        """Runs a Windows program to its end; returns its exit code."""
        proc = self.start(args, cwd, lang=lang, trace_file=trace_file)
        try:
            return proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
            raise AssertionError("%s did not end within %d s" % (args[0], timeout))


_WRITE = re.compile(r'^([0-9a-f]+):[0-9a-f]+:trace:console:WriteConsoleW \([0-9A-Fa-f]+,L"((?:[^"\\]|\\.)*)",')
_ALLOC = re.compile(r'^([0-9a-f]+):[0-9a-f]+:trace:console:alloc_console \(\)')
_READ = re.compile(r'^([0-9a-f]+):[0-9a-f]+:trace:console:ReadConsoleW')
_PAUSE_PROMPTS = ("Press any key to continue", "\u8bf7\u6309\u4efb\u610f\u952e\u7ee7\u7eed")


def _unescape(text):
    out = []
    i = 0
    while i < len(text):
        c = text[i]
        if c != "\\":
            out.append(c)
            i += 1
            continue
        nxt = text[i + 1]
        if nxt in "0123456789abcdef" and re.match(r"[0-9a-f]{4}", text[i + 1:i + 5]):
            out.append(chr(int(text[i + 1:i + 5], 16)))
            i += 5
        else:
            out.append({"n": "\n", "r": "\r", "t": "\t"}.get(nxt, nxt))
            i += 2
    return "".join(out)


class ConsoleTrace:
    """What the program under test did with its console, read from Wine's trace.

    `program_pid` is the process that allocated a console (Renewer); the pause
    prompt and key read come from cmd.exe, a process of its own.
    """

    def __init__(self, path):
        with open(path, "rb") as f:
            lines = f.read().decode("ascii", "replace").splitlines()
        allocs = [m.group(1) for m in map(_ALLOC.match, lines) if m]
        self.console_opened = len(allocs)
        self.program_pid = allocs[0] if allocs else None
        self.writes = []        # the program's own texts, in order
        self.other_writes = []  # other processes' texts (cmd's pause prompt)
        self.key_reads = 0
        for line in lines:
            m = _WRITE.match(line)
            if m:
                target = self.writes if m.group(1) == self.program_pid else self.other_writes
                target.append(_unescape(m.group(2)))
            elif _READ.match(line) and _READ.match(line).group(1) != self.program_pid:
                self.key_reads += 1

    @property
    def waited_for_key(self):
        return any(p in w for w in self.other_writes for p in _PAUSE_PROMPTS) and self.key_reads > 0

    @property
    def pause_prompt(self):
        return "".join(self.other_writes)
