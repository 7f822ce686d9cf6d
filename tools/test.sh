#!/usr/bin/env bash
# The whole test suite on a fresh Debian 12 machine: installs what is missing,
# builds both Windows builds and the native tests, then runs
#   - the unit tests under AddressSanitizer and UndefinedBehaviorSanitizer,
#   - each fuzz target for FUZZ_SECONDS (default 60),
#   - the unit tests and the end-to-end cases of both builds under Wine.
# Extra arguments go to the last CTest run (for instance -R e2e.win32).
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh
tools/build.sh -DRENEWER_TEST_TOOLS=ON

cmake -S . -B build/sanitize -DCMAKE_BUILD_TYPE=Debug -DRENEWER_SANITIZE=ON >/dev/null
cmake --build build/sanitize -j"$(nproc)"
(cd build/sanitize && ctest --output-on-failure)

tools/fuzz.sh "${FUZZ_SECONDS:-60}"

cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Debug \
      "-DRENEWER_E2E_BUILDS=win32=$PWD/build/win-i686;win64=$PWD/build/win-x86_64" >/dev/null
cmake --build build/native -j"$(nproc)"
cd build/native
ctest -j2 --output-on-failure "$@"
