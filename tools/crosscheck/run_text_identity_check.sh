#!/usr/bin/env bash
# Writes the result texts (and the console diagnostics of the small cases)
# of a vexmoor-batch binary for a fixed set of analyses into a folder, so
# that two builds can be compared with diff -r:
#   tools/crosscheck/run_text_identity_check.sh BATCH_BINARY OUT_DIR [GENERATED_DIR]
# GENERATED_DIR holds the synthetic groups of generate_groups.py
# (L25n60a.txt ...); without it only the bundled groups are run.
set -uo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
batch="$1"
out="$2"
gen="${3:-}"
mkdir -p "$out"
ex="$root/examples"

run() {
  local name="$1"
  shift
  "$batch" "$@" >"$out/$name.txt" 2>"$out/$name.err"
  echo "exit $?" >>"$out/$name.txt"
}

gor=("$ex/gorilla/gorf.txt" "$ex/gorilla/gorm.txt")
mac=("$ex/macaque/macf.txt" "$ex/macaque/macm.txt")
run cpc-gorilla RunCPC "${gor[@]}" --diagnostics
run cpc-gorilla-raw RunCPC "${gor[@]}" --raw --diagnostics
run cpc-macaque RunCPC "${mac[@]}" --3d --diagnostics
for k in 1 2 5; do
  run angle-gorilla-$k DoMezeyAngle "${gor[@]}" -k $k
  run angle-gorilla-raw-$k DoMezeyAngle "${gor[@]}" --raw -k $k
  run angle-macaque-$k DoMezeyAngle "${mac[@]}" --3d -k $k
done
for a in BootMezeyAngle BootConMezeyAngle RangeMezeyAngle PermuteMezeyAngle RandMezeyAngle; do
  run $a-gorilla $a "${gor[@]}" -k 2 --seed 7
  run $a-gorilla-raw $a "${gor[@]}" --raw -k 3 --seed 8
  run $a-macaque $a "${mac[@]}" --3d -k 2 --seed 9
done
if [ -n "$gen" ]; then
  run cpc-L25 RunCPC "$gen/L25n60a.txt" "$gen/L25n55b.txt"
  run cpc-L25-raw RunCPC "$gen/L25n60a.txt" "$gen/L25n55b.txt" --raw
  run cpc-L25-diag RunCPC "$gen/L25n60a.txt" "$gen/L25n55b.txt" --diagnostics
  run cpc-L50 RunCPC "$gen/L50n130a.txt" "$gen/L50n120b.txt"
  run cpc-L50-singular RunCPC "$gen/L50n40a.txt" "$gen/L50n35b.txt"
  [ -n "${WITH_L100:-}" ] && run cpc-L100 RunCPC "$gen/L100n250a.txt" "$gen/L100n230b.txt"
  [ -n "${WITH_L200:-}" ] && run cpc-L200 RunCPC "$gen/L200n450a.txt" "$gen/L200n430b.txt"
fi
