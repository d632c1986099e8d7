#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) in build-fuzz/ and
# runs each for a fixed time on its corpus in fuzz/corpus/<target>/.
#   scripts/fuzz.sh [SECONDS_PER_TARGET]   (default 45)
# New inputs that widen coverage are added to the corpus; a crash stops the
# run with the input saved as build-fuzz/crash-* and exit status 1.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-45}
cxx=${VEXMOOR_FUZZ_CXX:-clang++-14}
cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVEXMOOR_FUZZ=ON -DVEXMOOR_BUILD_GUI=OFF -DVEXMOOR_BUILD_TESTS=OFF \
  -DVEXMOOR_BUILD_BENCHMARKS=OFF >/dev/null
mapfile -t fuzzers <build-fuzz/fuzzers.txt
cmake --build build-fuzz -j "$(nproc)" --target "${fuzzers[@]}"
for f in "${fuzzers[@]}"; do
  [ -n "$f" ] || continue
  mkdir -p "fuzz/corpus/$f"
  echo "fuzzing $f for ${seconds}s"
  # -max_len: room for a few hundred landmarks per line; longer lines only
  # slow the run without reaching new code.
  "build-fuzz/bin/$f" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
    -rss_limit_mb=2048 -artifact_prefix=build-fuzz/ -print_final_stats=1 \
    "fuzz/corpus/$f" 2>&1 | grep -E '^(#[0-9]+.*DONE|stat::number_of_executed_units|==[0-9]+==|SUMMARY|artifact_prefix|Test unit written)' || true
  [ "${PIPESTATUS[0]}" -eq 0 ] || { echo "error: fuzzer $f failed" >&2; exit 1; }
done
