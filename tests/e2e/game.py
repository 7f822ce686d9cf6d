"""A fresh game folder for one case, and Renewer run in it."""
import os
import shutil
import subprocess
import time

from wine_env import ConsoleTrace

STANDIN_MARKER = b"\n#STANDIN-SCRIPT#\n"


class Context:
    def __init__(self, win_build, state_dir, wine):
        self.win_build = os.path.abspath(win_build)
        self.tools = os.path.join(self.win_build, "tests", "tools")
        self.state_dir = os.path.abspath(state_dir)
        self.wine = wine

    def program(self, name):
        return os.path.join(self.win_build, name)

    def tool(self, name):
        return os.path.join(self.tools, name)

    def fresh_dir(self, name):
        path = os.path.join(self.state_dir, "cases", name)
        if os.path.exists(path):
            subprocess.run(["chmod", "-R", "u+w", path])
            shutil.rmtree(path)
        os.makedirs(path)
        return path

    def standin(self, dest, script=""):
        """Copies the stand-in program to `dest`, with `script` appended."""
        os.makedirs(os.path.dirname(dest), exist_ok=True)
        shutil.copyfile(self.tool("standin.exe"), dest)
        if script:
            with open(dest, "ab") as f:
                f.write(STANDIN_MARKER + script.encode() + b"\n")


class FileLock:
    """Another Windows process holding `rel_path` (relative to `folder`) open
    and sharing nothing, for `ms` milliseconds: `with FileLock(...):`."""

    def __init__(self, ctx, folder, rel_path, ms=8000):
        self.ctx, self.folder, self.rel_path, self.ms = ctx, folder, rel_path, ms
        self.locker = os.path.join(folder, "locker.exe")

    def __enter__(self):
        self.ctx.standin(self.locker, "lock %s %d" % (self.rel_path, self.ms))
        self.proc = self.ctx.wine.start([self.locker], cwd=self.folder)
        log = self.locker + ".log"
        deadline = time.time() + 15
        while time.time() < deadline and not (os.path.exists(log) and b"lock" in open(log, "rb").read()):
            time.sleep(0.1)
        content = open(log, "rb").read() if os.path.exists(log) else b""
        if b"locked\n" not in content:
            self.proc.wait(timeout=30)
            raise AssertionError("the locker could not hold " + self.rel_path)
        return self

    def __exit__(self, *exc):
        self.proc.wait(timeout=30)


class RunResult:
    def __init__(self, code, trace):
        self.code = code
        self.trace = trace


def started_records(exe_path, expect=True, timeout=15.0):
    """The stand-in's log records. Programs started by Renewer run on after it
    exits, so a record is polled for; where none is expected, the wait is short
    and fixed, long enough for a started program to have written its record."""
    log = exe_path + ".log"
    deadline = time.time() + (timeout if expect else 1.5)
    while time.time() < deadline:
        if expect and os.path.exists(log):
            break
        time.sleep(0.1)
    if not os.path.exists(log):
        return []
    time.sleep(0.1)
    with open(log, "rb") as f:
        return [line.split("\t") for line in f.read().decode("utf-8").splitlines()]


class Game:
    """Renewer.exe with Bin\\config.dat, Bin\\launcherVersion.txt, a launcher
    stand-in at Bin\\Portico.exe and an Installer stand-in at Bin\\Installer.exe."""

    def __init__(self, ctx, name, arch_exe="Renewer.exe", port=None, version=b"1.0.3",
                 launcher=True, installer=True):
        self.ctx = ctx
        self.root = ctx.fresh_dir(name)
        self.bin = os.path.join(self.root, "Bin")
        os.makedirs(self.bin)
        shutil.copyfile(ctx.program(arch_exe), self.path("Renewer.exe"))
        if port is not None:
            self.write("Bin/config.dat", b"127.0.0.1\n%d\n" % port)
        if version is not None:
            self.write("Bin/launcherVersion.txt", version)
        if launcher:
            ctx.standin(self.path("Bin/Portico.exe"))
        if installer:
            ctx.standin(self.path("Bin/Installer.exe"))

    def path(self, rel):
        return os.path.join(self.root, *rel.split("/"))

    def write(self, rel, data):
        with open(self.path(rel), "wb") as f:
            f.write(data)

    def read(self, rel):
        p = self.path(rel)
        if not os.path.exists(p):
            return None
        with open(p, "rb") as f:
            return f.read()

    def run(self, lang="en_US.UTF-8"):
        trace = os.path.join(self.root, "..", os.path.basename(self.root) + ".trace")
        code = self.ctx.wine.run(["Renewer.exe"], cwd=self.root, lang=lang, trace_file=trace)
        return RunResult(code, ConsoleTrace(trace))

    def launcher_starts(self, expect=True):
        return started_records(self.path("Bin/Portico.exe"), expect)

    def installer_starts(self, expect=True):
        return started_records(self.path("Bin/Installer.exe"), expect)

    def files(self):
        """Every file in the game folder except the stand-ins' logs."""
        out = []
        for dirpath, _, names in os.walk(self.root):
            for n in names:
                rel = os.path.relpath(os.path.join(dirpath, n), self.root).replace(os.sep, "/")
                if not rel.endswith(".log"):
                    out.append(rel)
        return sorted(out)

    def windows_path(self):
        return "Z:" + self.root.replace("/", "\\")
