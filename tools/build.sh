#!/usr/bin/env bash
# Cross-builds Renewer and Installer for 32- and 64-bit Windows into
# build/win-i686 and build/win-x86_64. Extra arguments go to CMake's configure
# step (for instance -DRENEWER_TEST_TOOLS=ON).
set -euo pipefail
cd "$(dirname "$0")/.."

for arch in i686 x86_64; do
  cmake -S . -B "build/win-$arch" -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-$arch.cmake" \
        -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
  cmake --build "build/win-$arch" -j"$(nproc)"
done
