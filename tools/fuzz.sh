#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for SECONDS (default
# 60). A crash leaves its input in build/fuzz/ and fails the script; keep such
# an input as a case in the unit tests once fixed.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"

CXX=clang++ cmake -S . -B build/fuzz -DRENEWER_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/fuzz -j"$(nproc)"
for target in config record head; do
  mkdir -p "build/fuzz/corpus-$target"
  echo "fuzzing $target for $seconds s"
  if ! (cd build/fuzz && fuzz/fuzz_$target -max_total_time="$seconds" -print_final_stats=1 \
          "corpus-$target" "../../fuzz/seeds/$target" > "fuzz-$target.log" 2>&1); then
    tail -n 40 "build/fuzz/fuzz-$target.log"
    echo "fuzz_$target found a failure; its input is in build/fuzz/"
    exit 1
  fi
  grep -E '^(stat::number_of_executed_units|Done)' "build/fuzz/fuzz-$target.log"
done
