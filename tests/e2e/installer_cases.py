"""End-to-end cases of Installer.exe under Wine, and the whole update cycle."""
import os
import shutil
import time

from game import FileLock, Game, started_records
from renewer_cases import RECORD, VERSION_PATH, PACKAGE_PATH, case, expect, expect_equal
from scripted_server import ScriptedServer, ok

PACKAGE_NAME = "tempKestrova2013New.exe"


def installer_folder(ctx, name, package_script=None, package_bytes=None):
    """A game folder with the real Installer in Bin and, optionally, a package."""
    root = ctx.fresh_dir(name)
    os.makedirs(os.path.join(root, "Bin"))
    shutil.copyfile(ctx.program("Installer.exe"), os.path.join(root, "Bin", "Installer.exe"))
    package = os.path.join(root, PACKAGE_NAME)
    if package_script is not None:
        ctx.standin(package, package_script)
    elif package_bytes is not None:
        with open(package, "wb") as f:
            f.write(package_bytes)
    return root, package


def run_installer(ctx, root, cwd=None, args=()):
    return ctx.wine.run([os.path.join(root, "Bin", "Installer.exe")] + list(args), cwd=cwd or root)


@case
def installer_without_package(ctx):
    root, package = installer_folder(ctx, "inst-none")
    expect_equal(run_installer(ctx, root), 1, "exit code")
    expect_equal(sorted(os.listdir(root)), ["Bin"], "files")
    # Started from its own folder, it looks in that current directory, not
    # beside the game's package.
    root, package = installer_folder(ctx, "inst-other-dir", package_script="exit 0")
    expect_equal(run_installer(ctx, root, cwd=os.path.join(root, "Bin")), 1, "exit code from Bin")
    expect(os.path.exists(package), "package deleted")
    expect_equal(started_records(package, expect=False), [], "package started")


@case
def installer_runs_package_and_deletes_it(ctx):
    root, package = installer_folder(ctx, "inst-runs", package_script="exit 3")
    # Arguments to Installer are ignored; the package gets none.
    expect_equal(run_installer(ctx, root, args=["--ignored", "x"]), 0, "exit code")
    starts = started_records(package)
    expect_equal(len(starts), 1, "package starts")
    expect_equal(starts[0][1], ".\\" + PACKAGE_NAME, "package command line")
    expect_equal(starts[0][2].lower(), ("Z:" + root.replace("/", "\\")).lower(), "package directory")
    expect(not os.path.exists(package), "package left behind after a non-zero exit")


@case
def installer_refuses_unstartable_package(ctx):
    packages = {
        "empty": b"",
        "error page": b"<html><body>502 Bad Gateway</body></html>\n",
    }
    for what, content in packages.items():
        root, package = installer_folder(ctx, "inst-bad", package_bytes=content)
        expect_equal(run_installer(ctx, root), 1, what + ": exit code")
        expect_equal(open(package, "rb").read(), content, what + ": package file")


@case
def installer_package_locked_by_another_process(ctx):
    root, package = installer_folder(ctx, "inst-locked", package_script="exit 0")
    with FileLock(ctx, root, PACKAGE_NAME):
        expect_equal(run_installer(ctx, root), 1, "exit code")
    expect(os.path.exists(package), "package deleted")
    expect_equal(started_records(package, expect=False), [], "package started")


@case
def installer_waits_only_for_the_package_process(ctx):
    root, package = installer_folder(ctx, "inst-spawn", package_script="spawn Bin\\child.exe\nexit 0")
    child = os.path.join(root, "Bin", "child.exe")
    ctx.standin(child, "hold")
    open(child + ".hold", "w").close()
    try:
        expect_equal(run_installer(ctx, root), 0, "exit code")
        expect(not os.path.exists(package), "package left behind")
        expect_equal(len(started_records(child)), 1, "child starts")
        expect(os.path.exists(child + ".hold"), "the child was waited for")
    finally:
        os.remove(child + ".hold")


@case
def installer_read_only_package_stays(ctx):
    root, package = installer_folder(ctx, "inst-readonly", package_script="exit 0")
    os.chmod(package, 0o444)
    expect_equal(run_installer(ctx, root), 0, "exit code")
    expect_equal(len(started_records(package)), 1, "package starts")
    expect(os.path.exists(package), "read-only package deleted")


@case
def full_update_cycle(ctx):
    """Renewer and the real Installer: the package installs a new launcher,
    and the next run starts it as current."""
    package_image = os.path.join(ctx.fresh_dir("cycle-package"), "setup.exe")
    ctx.standin(package_image, "copyself Bin\\Portico.exe new\nwrite Bin\\installed.txt 1.0.4")
    with open(package_image, "rb") as f:
        package = f.read()
    server = ScriptedServer({VERSION_PATH: ok(RECORD), PACKAGE_PATH: ok(package)})
    game = Game(ctx, "cycle", port=server.port, installer=False)
    ctx.standin(game.path("Bin/Portico.exe"), "tag old")
    shutil.copyfile(ctx.program("Installer.exe"), game.path("Bin/Installer.exe"))
    with server:
        first = game.run()
        expect_equal(first.code, 0, "first run exit code")
        deadline = time.time() + 30
        while time.time() < deadline and game.read(PACKAGE_NAME) is not None:
            time.sleep(0.2)
        expect_equal(game.read(PACKAGE_NAME), None, "package left behind")
        expect_equal(game.read("Bin/installed.txt"), b"1.0.4", "package's work")
        expect_equal(game.read("Bin/launcherVersion.txt"), b"1.0.4", "version file")

        second = game.run()
    expect_equal(second.code, 0, "second run exit code")
    expect_equal(second.trace.console_opened, 0, "second run consoles opened")
    starts = game.launcher_starts()
    expect_equal([(s[0], s[1]) for s in starts], [("new", ".\\Bin\\Portico.exe -popupwindow")], "launcher starts")
    expect_equal(len(server.requests), 3, "requests")
