#!/usr/bin/env bash
# Runs each libFuzzer target (clang-14, ASan + UBSan, built in
# build-sanitize/ beside the sanitizer suite) for a fixed time on its corpus
# in fuzz/corpus/<target>/.
#   scripts/fuzz.sh [SECONDS_PER_TARGET] [EXTRA_LIBFUZZER_FLAGS...]
# (default 60 s). Inputs that widen coverage are added to the corpus; a
# crash stops the run with the input saved as build-sanitize/crash-* and
# exit status 1.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh
seconds=${1:-60}
shift || true
vexmoor_install_packages
vexmoor_build_sanitized
mapfile -t fuzzers <build-sanitize/fuzzers.txt
for f in "${fuzzers[@]}"; do
  [ -n "$f" ] || continue
  mkdir -p "fuzz/corpus/$f"
  echo "fuzzing $f for ${seconds}s"
  # -max_len: room for a few hundred landmarks per line; longer lines only
  # slow the run without reaching new code.
  status=0
  "build-sanitize/bin/$f" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
    -rss_limit_mb=2048 -artifact_prefix=build-sanitize/ -print_final_stats=1 "$@" \
    "fuzz/corpus/$f" >"build-sanitize/fuzz-$f.log" 2>&1 || status=$?
  grep -E '^(#[0-9]+.*DONE|stat::number_of_executed_units|==[0-9]+==|SUMMARY|artifact_prefix|Test unit written)' \
    "build-sanitize/fuzz-$f.log" || true
  [ "$status" -eq 0 ] || { echo "error: fuzzer $f failed (log: build-sanitize/fuzz-$f.log)" >&2; exit 1; }
done
