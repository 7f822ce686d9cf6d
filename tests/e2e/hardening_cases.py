"""Package integrity named in the record, and faults of the server and the disk:
none may leave the game folder worse than it was."""
import hashlib
import os
import shutil
import subprocess
import time

from game import FileLock, Game
from renewer_cases import (OLD_PACKAGE, PACKAGE, PACKAGE_PATH, RECORD, UPDATE_FAILED, VERSION_PATH, case, expect,
                           expect_equal, expect_failure, expect_nothing_lost, expect_updated,
                           failed_update_over_earlier_package, request_bytes)
from scripted_server import ScriptedServer, ok

SHA = hashlib.sha256(PACKAGE).hexdigest()


class SkipCase(Exception):
    """The case cannot run on this machine; the reason says why."""


def integrity_record(extra):
    return RECORD + extra.encode()


@case
def integrity_accepts_matching_package(ctx):
    records = {
        "size and lower-case hash": "remoteLatestLauncherSize=%d\nremoteLatestLauncherSha256=%s\n" % (len(PACKAGE), SHA),
        "upper-case hash only": "remoteLatestLauncherSha256=%s\n" % SHA.upper(),
        "size only, no Content-Length": "remoteLatestLauncherSize=%d\n" % len(PACKAGE),
    }
    for what, extra in records.items():
        record = integrity_record(extra)
        reply = ok(PACKAGE, content_length="Content-Length" not in what)
        server = ScriptedServer({VERSION_PATH: ok(record), PACKAGE_PATH: reply})
        game = Game(ctx, "integrity-ok", port=server.port)
        with server:
            result = game.run()
        expect_updated(game, server, result, b"1.0.4", what)


@case
def integrity_refuses_other_packages(ctx):
    wrong_sha = hashlib.sha256(PACKAGE + b"x").hexdigest()
    # (what, record lines, package reply, whether the package is requested at all)
    cases = [
        ("wrong hash", "remoteLatestLauncherSha256=%s\n" % wrong_sha, ok(PACKAGE), True),
        ("size one short", "remoteLatestLauncherSize=%d\n" % (len(PACKAGE) - 1), ok(PACKAGE), True),
        ("size one short, no Content-Length", "remoteLatestLauncherSize=%d\n" % (len(PACKAGE) - 1),
         ok(PACKAGE, content_length=False), True),
        ("size one over, no Content-Length", "remoteLatestLauncherSize=%d\n" % (len(PACKAGE) + 1),
         ok(PACKAGE, content_length=False), True),
        ("right size, wrong hash", "remoteLatestLauncherSize=%d\nremoteLatestLauncherSha256=%s\n"
         % (len(PACKAGE), wrong_sha), ok(PACKAGE), True),
        ("malformed size", "remoteLatestLauncherSize=300k\n", ok(PACKAGE), False),
        ("hash of 63 digits", "remoteLatestLauncherSha256=%s\n" % SHA[:63], ok(PACKAGE), False),
        ("hash with a non-hex digit", "remoteLatestLauncherSha256=%s\n" % (SHA[:63] + "g"), ok(PACKAGE), False),
        ("hash key without value", "remoteLatestLauncherSha256=\n", ok(PACKAGE), False),
    ]
    for what, extra, reply, requested in cases:
        game, server = failed_update_over_earlier_package(ctx, "integrity-bad", integrity_record(extra), reply, what)
        wanted = [request_bytes(VERSION_PATH)] + ([request_bytes(PACKAGE_PATH)] if requested else [])
        expect_equal(server.requests, wanted, what + ": requests")
        # A package that arrived whole but is not the named one is removed;
        # one refused while arriving never replaced the earlier file.
        downloaded = what in ("wrong hash", "right size, wrong hash")
        expect_nothing_lost(game, what, package=None if downloaded else OLD_PACKAGE)


@case
def hostile_host_does_not_resolve(ctx):
    game = Game(ctx, "unresolvable", port=None)
    game.write("Bin/config.dat", b"no-such-host.invalid\n80\n")
    began = time.monotonic()
    result = game.run()
    expect_failure(game, result, "\u83b7\u53d6\u767b\u9646\u5668\u66f4\u65b0\u914d\u7f6e\u5931\u8d25\uff01\n",
                   "unresolvable host")
    expect(time.monotonic() - began < 60, "the lookup did not end")


def _mount_tmpfs(path, size):
    os.makedirs(path, exist_ok=True)
    done = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=%s" % size, "tmpfs", path],
                          stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    if done.returncode != 0:
        raise SkipCase("cannot mount a small tmpfs here (%s); the full-disk case needs root and "
                       "mount rights" % done.stdout.decode().strip())


@case
def disk_full_during_download(ctx):
    mount = os.path.join(ctx.state_dir, "cases", "full-disk")
    if os.path.ismount(mount):
        subprocess.run(["umount", mount])
    shutil.rmtree(mount, ignore_errors=True)
    _mount_tmpfs(mount, "128k")  # room for the small files, not for the package
    try:
        os.makedirs(os.path.join(mount, "Bin"))
        server = ScriptedServer({VERSION_PATH: ok(RECORD), PACKAGE_PATH: ok(PACKAGE)})
        for rel, data in (("Bin/config.dat", b"127.0.0.1\n%d\n" % server.port),
                          ("Bin/launcherVersion.txt", b"1.0.3"), ("tempKestrova2013New.exe", OLD_PACKAGE)):
            with open(os.path.join(mount, rel), "wb") as f:
                f.write(data)
        trace = os.path.join(ctx.state_dir, "cases", "full-disk.trace")
        with server:
            code = ctx.wine.run([ctx.program("Renewer.exe")], cwd=mount, trace_file=trace)
        from wine_env import ConsoleTrace
        console = ConsoleTrace(trace)
        expect_equal(code, 1, "exit code")
        expect_equal(console.writes[-1], UPDATE_FAILED, "last message")
        expect_equal(sorted(os.listdir(mount)), ["Bin", "tempKestrova2013New.exe"], "files")
        expect_equal(open(os.path.join(mount, "tempKestrova2013New.exe"), "rb").read(), OLD_PACKAGE, "package")
        expect_equal(open(os.path.join(mount, "Bin/launcherVersion.txt"), "rb").read(), b"1.0.3", "version")
    finally:
        subprocess.run(["umount", mount])


@case
def disk_version_file_cannot_be_written(ctx):
    # Held open by another process that shares nothing, the version file can be
    # neither read (so an update runs) nor rewritten afterwards. (Under Wine as
    # root a read-only file can still be written, so a lock stands in for it.)
    server = ScriptedServer({VERSION_PATH: ok(RECORD), PACKAGE_PATH: ok(PACKAGE)})
    game = Game(ctx, "locked-version", port=server.port)
    with FileLock(ctx, game.root, "Bin\\launcherVersion.txt"), server:
        result = game.run()
    # Installer already has the package; the next run fetches it again.
    expect_failure(game, result, UPDATE_FAILED, "version file not writable")
    expect_equal(game.read("Bin/launcherVersion.txt"), b"1.0.3", "version file")
    expect_equal(len(game.installer_starts()), 1, "Installer starts")


@case
def disk_package_from_earlier_run_locked_or_read_only(ctx):
    server = ScriptedServer({VERSION_PATH: ok(RECORD), PACKAGE_PATH: ok(PACKAGE)})
    with server:
        # Held open by another process that shares nothing: it cannot be
        # replaced, and it must not be damaged.
        game = Game(ctx, "locked-package", port=server.port)
        game.write("tempKestrova2013New.exe", OLD_PACKAGE)
        with FileLock(ctx, game.root, "tempKestrova2013New.exe"):
            result = game.run()
        expect_failure(game, result, UPDATE_FAILED, "locked package")
        expect_nothing_lost(game, "locked package")

        # Read-only: the file is Renewer's own download, so it is replaced.
        game = Game(ctx, "ro-package", port=server.port)
        game.write("tempKestrova2013New.exe", OLD_PACKAGE)
        os.chmod(game.path("tempKestrova2013New.exe"), 0o444)
        result = game.run()
        expect_equal(result.code, 0, "read-only package: exit code")
        expect_equal(game.read("tempKestrova2013New.exe"), PACKAGE, "read-only package: replaced")
        expect_equal(len(game.installer_starts()), 1, "read-only package: Installer starts")
