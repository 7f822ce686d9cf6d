#!/usr/bin/env python3
"""Runs the end-to-end cases of one Windows build under Wine.

    run.py --win-build DIR --state DIR setup       make the prefix, start Xvfb and wineserver
    run.py --win-build DIR --state DIR teardown    stop them
    run.py --win-build DIR --state DIR list        the case names
    run.py --win-build DIR --state DIR case NAME   run one case; exit code 0 when it passes
"""
import argparse
import os
import sys
import time
import traceback

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import fetch_cases  # noqa: F401  (registers its cases)
import hardening_cases  # noqa: F401
import installer_cases  # noqa: F401
from game import Context
from renewer_cases import CASES
from wine_env import WineEnv


SKIP_CODE = 77  # CTest's SKIP_RETURN_CODE for these tests


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--win-build", required=True)
    parser.add_argument("--state", required=True)
    parser.add_argument("action", choices=["setup", "teardown", "list", "case"])
    parser.add_argument("name", nargs="?")
    args = parser.parse_args()

    wine = WineEnv(args.state)
    if args.action == "list":
        print(";".join(sorted(CASES)))
        return 0
    if args.action == "setup":
        wine.setup()
        return 0
    if args.action == "teardown":
        wine.teardown()
        return 0
    if args.name not in CASES:
        print("no case named %r" % args.name)
        return 2
    began = time.monotonic()
    try:
        CASES[args.name](Context(args.win_build, args.state, wine))
    except hardening_cases.SkipCase as e:
        print("SKIPPED %s: %s" % (args.name, e))
        return SKIP_CODE
    except AssertionError as e:
        print("FAILED %s: %s" % (args.name, e))
        return 1
    except Exception:
        traceback.print_exc()
        return 1
    print("passed %s in %.1f s" % (args.name, time.monotonic() - began))
    return 0


if __name__ == "__main__":
    sys.exit(main())
