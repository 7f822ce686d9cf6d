#!/usr/bin/env bash
# The demonstration: on a fresh Debian 12 machine installs what is missing,
# builds, and shows one whole update of the 32-bit build under Wine as a
# Chinese player sees it (console screenshot in build/demo/console.png).
# Exit code 0 when every step went as described.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh
mkdir -p build/demo
log=build/demo/build.log
echo "building (log: $log)"
if ! tools/build.sh -DRENEWER_TEST_TOOLS=ON >"$log" 2>&1; then
  tail -n 30 "$log"
  echo "demo FAILED: the build failed (full log: $log)"
  exit 1
fi

# demo.py stops its server, wineserver and Xvfb itself; this also covers a
# demo.py that was killed outright.
trap 'python3 tools/demo.py stop' EXIT
python3 tools/demo.py run
