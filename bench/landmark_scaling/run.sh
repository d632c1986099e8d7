#!/bin/bash
# The landmark-scaling benchmark: time and peak resident size of the batch
# front end on two groups of synthetic 3D configurations (make_landmarks.py)
# of each size. usage: bench/landmark_scaling/run.sh [BATCH] [SIZES...]
# (default build/bin/vexmoor-batch; 500 1000 2000 5000), k = 3 components
# (VEXMOOR_BENCH_K), 60 specimens a group (VEXMOOR_BENCH_SPECIMENS). The resampling
# tests run at 1,000 landmarks only, v = 1.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
batch=${1:-$here/../../build/bin/vexmoor-batch}
shift || true
sizes=("${@:-500 1000 2000 5000}")
read -r -a sizes <<<"${sizes[*]}"
specimens=${VEXMOOR_BENCH_SPECIMENS:-60}
k=${VEXMOOR_BENCH_K:-3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

measure() {  # label, then the batch's arguments
  local label=$1
  shift
  if /usr/bin/time -f "%e %M" -o "$work/time" "$batch" "$@" -k "$k" >"$work/out" 2>"$work/err"; then
    read -r seconds kb <"$work/time"
    printf '| %-6s | %-32s | %8.1f s | %6d MB |\n' "$p" "$label" "$seconds" $((kb / 1024))
  else
    printf '| %-6s | %-32s | failed: %s |\n' "$p" "$label" "$(tail -1 "$work/err")"
  fi
}

printf '| landmarks | analysis | time | peak resident |\n|---|---|---|---|\n'
for p in "${sizes[@]}"; do
  /usr/bin/python3 "$here/make_landmarks.py" "$p" "$specimens" "$work/a.txt" "$work/b.txt"
  measure DoMezeyAngle DoMezeyAngle "$work/a.txt" "$work/b.txt" --3d
  measure "PrincipalComponents --plot" PrincipalComponents "$work/a.txt" "$work/b.txt" --3d \
    --plot "$work/pc.png"
  if [ "$p" = 1000 ]; then
    for test in BootMezeyAngle BootConMezeyAngle RangeMezeyAngle PermuteMezeyAngle RandMezeyAngle; do
      measure "$test -v 1" "$test" "$work/a.txt" "$work/b.txt" --3d -v 1 --seed 1
    done
  fi
done
