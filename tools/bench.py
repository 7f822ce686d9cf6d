#!/usr/bin/env python3
"""Measures Renewer on local servers (127.0.0.1) and prints the figures:

  - a 256 MiB package downloaded by Renewer.exe under Wine, against the same
    file fetched by curl: median of 5 runs each, and the ratio. Renewer's
    download time is its whole run less the same run with a one-byte package
    (Wine's process start, the version record, Installer's start), so only
    the download is compared; the whole run is printed too;
  - Renewer's peak resident memory during that download (VmHWM);
  - the current path (Renewer's start to the launcher's start) against
    starting the launcher stand-in directly under Wine: median of 5, and the
    difference.

Run through tools/bench.sh, which builds first.
"""
import os
import shutil
import socket
import statistics
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))

from wine_env import WineEnv  # noqa: E402

RUNS = 5
PACKAGE_MIB = 256
BENCH = os.path.join(ROOT, "build", "bench")
BUILD = os.path.join(ROOT, "build", "win-i686")
STANDIN = os.path.join(BUILD, "tests", "tools", "standin.exe")
RECORD = b"latestVersion=2.0.0\r\nremoteLatestLauncherUrl=/launcher/setup.exe\r\n"


def make_www(name, package_bytes):
    """A served folder with the version record and a package of that size."""
    www = os.path.join(BENCH, name)
    package = os.path.join(www, "launcher", "setup.exe")
    os.makedirs(os.path.dirname(package), exist_ok=True)
    if not os.path.exists(package) or os.path.getsize(package) != package_bytes:
        block = os.urandom(min(package_bytes, 1 << 20))
        with open(package, "wb") as f:
            for _ in range(package_bytes // len(block)):
                f.write(block)
    with open(os.path.join(www, "remoteLauncherVersion.config"), "wb") as f:
        f.write(RECORD)
    return www, package


def make_game(name, port, version):
    game = os.path.join(BENCH, name)
    shutil.rmtree(game, ignore_errors=True)
    os.makedirs(os.path.join(game, "Bin"))
    shutil.copyfile(os.path.join(BUILD, "Renewer.exe"), os.path.join(game, "Renewer.exe"))
    shutil.copyfile(STANDIN, os.path.join(game, "Bin", "Portico.exe"))
    shutil.copyfile(STANDIN, os.path.join(game, "Bin", "Installer.exe"))
    with open(os.path.join(game, "Bin", "config.dat"), "wb") as f:
        f.write(b"127.0.0.1\r\n%d\r\n" % port)
    with open(os.path.join(game, "Bin", "launcherVersion.txt"), "wb") as f:
        f.write(version)
    return game


def find_pids(needle):
    pids = []
    for pid in os.listdir("/proc"):
        if pid.isdigit():
            try:
                with open("/proc/%s/cmdline" % pid, "rb") as f:
                    if needle in f.read():
                        pids.append(pid)
            except OSError:
                pass
    return pids


def vm_hwm_kib(pid):
    try:
        with open("/proc/%s/status" % pid) as f:
            for line in f:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def run_renewer(wine, game, watch_memory):
    """Runs Renewer to its end; returns (seconds, peak resident KiB)."""
    began = time.monotonic()
    proc = subprocess.Popen(["wine", "Renewer.exe"], cwd=game, env=wine.env(trace=False),
                            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    peak, pids = 0, []
    while watch_memory and proc.poll() is None:
        # VmHWM is the process's own high-water mark, so a coarse poll of the
        # pids, found once, is enough and keeps the measuring cheap.
        pids = pids or find_pids(b"Renewer.exe")
        peak = max([peak] + [vm_hwm_kib(p) for p in pids])
        time.sleep(0.05)
    proc.wait()
    elapsed = time.monotonic() - began
    if proc.returncode != 0:
        raise RuntimeError("Renewer failed with %d" % proc.returncode)
    return elapsed, peak


def bench_download(wine, port, small_port, package):
    curl_times = []
    target = os.path.join(BENCH, "curl.out")
    for _ in range(RUNS):
        began = time.monotonic()
        subprocess.run(["curl", "-s", "-f", "-o", target, "http://127.0.0.1:%d/launcher/setup.exe" % port],
                       check=True)
        curl_times.append(time.monotonic() - began)
    if os.path.getsize(target) != os.path.getsize(package):
        raise RuntimeError("curl's copy is incomplete")

    whole, baseline, peaks = [], [], []
    for _ in range(RUNS):
        game = make_game("download", port, b"1.0.0")
        elapsed, peak = run_renewer(wine, game, watch_memory=True)
        if os.path.getsize(os.path.join(game, "tempKestrova2013New.exe")) != os.path.getsize(package):
            raise RuntimeError("the package arrived incomplete")
        whole.append(elapsed)
        peaks.append(peak)
        baseline.append(run_renewer(wine, make_game("download", small_port, b"1.0.0"), watch_memory=False)[0])
    return curl_times, whole, baseline, peaks


def wait_for(path, began, limit=30):
    while not os.path.exists(path):
        if time.monotonic() - began > limit:
            raise RuntimeError(path + " never appeared")
        time.sleep(0.002)
    return time.monotonic() - began


def bench_current_path(wine, port):
    via_renewer, direct = [], []
    env = wine.env(trace=False)
    quiet = {"stdin": subprocess.DEVNULL, "stdout": subprocess.DEVNULL, "stderr": subprocess.DEVNULL}
    for _ in range(RUNS):
        game = make_game("current", port, RECORD.split(b"\r\n")[0].split(b"=")[1])
        log = os.path.join(game, "Bin", "Portico.exe.log")
        began = time.monotonic()
        proc = subprocess.Popen(["wine", "Renewer.exe"], cwd=game, env=env, **quiet)
        via_renewer.append(wait_for(log, began))
        proc.wait()
        os.remove(log)
        began = time.monotonic()
        proc = subprocess.Popen(["wine", ".\\Bin\\Portico.exe", "-popupwindow"], cwd=game, env=env, **quiet)
        direct.append(wait_for(log, began))
        proc.wait()
    return via_renewer, direct


def free_port():
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    port = s.getsockname()[1]
    s.close()
    return port


def main():
    os.makedirs(BENCH, exist_ok=True)
    wine = WineEnv(os.path.join(BENCH, "wine"))
    wine.setup()
    servers = []
    try:
        www, package = make_www("www", PACKAGE_MIB << 20)
        small_www, _ = make_www("www-small", 1)
        port, small_port = free_port(), free_port()
        for p, folder in ((port, www), (small_port, small_www)):
            servers.append(subprocess.Popen([sys.executable, "-m", "http.server", "--bind", "127.0.0.1", str(p)],
                                            cwd=folder, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        time.sleep(1)
        curl_t, whole_t, baseline_t, peaks = bench_download(wine, port, small_port, package)
        via, direct = bench_current_path(wine, port)
    finally:
        for server in servers:
            server.terminate()
            server.wait()
        wine.teardown()

    med = statistics.median
    download = med(whole_t) - med(baseline_t)
    cpu = open("/proc/cpuinfo").read().split("model name")[1].split("\n")[0].strip(": \t")
    print("machine: %s, %d cores, %s" % (os.uname().machine, os.cpu_count(), cpu))
    print("download of %d MiB from Python's http.server on 127.0.0.1, median of %d:" % (PACKAGE_MIB, RUNS))
    print("  curl                    %.3f s  (%.0f MiB/s)" % (med(curl_t), PACKAGE_MIB / med(curl_t)))
    print("  Renewer (download only) %.3f s  (%.0f MiB/s)" % (download, PACKAGE_MIB / download))
    print("  Renewer (whole run)     %.3f s, of which %.3f s without the download" % (med(whole_t), med(baseline_t)))
    print("  ratio Renewer/curl      %.2f" % (download / med(curl_t)))
    print("  Renewer peak resident memory: %.1f MiB (largest of %d runs)" % (max(peaks) / 1024.0, RUNS))
    print("current path, start to launcher start, median of %d:" % RUNS)
    print("  via Renewer.exe         %.3f s" % med(via))
    print("  launcher directly       %.3f s" % med(direct))
    print("  added by Renewer        %.3f s" % (med(via) - med(direct)))


if __name__ == "__main__":
    main()
