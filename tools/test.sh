#!/usr/bin/env bash
# The whole test suite on a fresh Debian 12 machine: installs what is missing,
# builds both Windows builds and the native tests, then runs the unit tests
# and the end-to-end cases of both builds under Wine, through CTest.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh
tools/build.sh -DRENEWER_TEST_TOOLS=ON
cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Debug \
      "-DRENEWER_E2E_BUILDS=win32=$PWD/build/win-i686;win64=$PWD/build/win-x86_64" >/dev/null
cmake --build build/native -j"$(nproc)"
cd build/native
ctest -j2 --output-on-failure "$@"
