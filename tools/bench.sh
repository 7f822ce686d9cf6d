#!/usr/bin/env bash
# Benchmark (not a test): download speed against curl, peak memory, and the
# time the current path adds to starting the launcher. Prints the figures.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
tools/build.sh -DRENEWER_TEST_TOOLS=ON >/dev/null
exec python3 tools/bench.py
