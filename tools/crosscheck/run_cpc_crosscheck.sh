#!/usr/bin/env bash
# Compares vexmoor-batch RunCPC with the independent computation for pairs of
# landmark files:  tools/crosscheck/run_cpc_crosscheck.sh [--raw | --3d] A1 A2 [B1 B2 ...]
# (--raw: raw two-dimensional coordinates instead of partial warps; --3d:
# three-dimensional landmarks).
# Needs a build (VEXMOOR_BUILD, default build/: its vexmoor-batch and
# export_shape_variables) and Debian's python3-numpy.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${VEXMOOR_BUILD:-$root/build}"
out="$build/crosscheck"
mkdir -p "$out"
raw=()
if [ "${1:-}" = "--raw" ] || [ "${1:-}" = "--3d" ]; then
  raw=("$1")
  shift
fi
status=0
while [ $# -ge 2 ]; do
  a="$1" b="$2"
  shift 2
  name="$(basename "${a%.*}")-$(basename "${b%.*}")"
  if ! "$build/bin/vexmoor-batch" RunCPC "$a" "$b" "${raw[@]}" >"$out/$name.vexmoor"; then
    echo "$name: vexmoor-batch refused the data (see the message above)"
    continue
  fi
  "$build/bin/export_shape_variables" "$a" "$b" "${raw[@]}" >"$out/$name.vars"
  /usr/bin/python3 "$root/tools/crosscheck/cpc_crosscheck.py" "$out/$name.vars" >"$out/$name.check"
  if diff "$out/$name.vexmoor" "$out/$name.check" >"$out/$name.diff"; then
    echo "$name: identical"
  else
    echo "$name: differs"
    cat "$out/$name.diff"
    status=1
  fi
done
exit $status
