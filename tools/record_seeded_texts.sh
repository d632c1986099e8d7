#!/bin/bash
# Records the seeded result texts of every resampling test (and the plain
# angle) on the bundled data sets, one file per run, so that two builds can
# be compared with `diff -r`. Usage:
#   tools/record_seeded_texts.sh BATCH_BINARY OUT_DIR
set -euo pipefail

batch=${1:?usage: record_seeded_texts.sh BATCH_BINARY OUT_DIR}
out=${2:?usage: record_seeded_texts.sh BATCH_BINARY OUT_DIR}
here=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$out"

actions="DoMezeyAngle BootMezeyAngle BootConMezeyAngle RangeMezeyAngle PermuteMezeyAngle RandMezeyAngle"
count=0
for set in gorilla macaque; do
  if [ "$set" = gorilla ]; then
    files=("$here/examples/gorilla/gorf.txt" "$here/examples/gorilla/gorm.txt")
    dim=()
  else
    files=("$here/examples/macaque/macf.txt" "$here/examples/macaque/macm.txt")
    dim=(--3d)
  fi
  for warps in pw raw; do
    extra=()
    [ "$warps" = raw ] && extra=(--raw)
    for action in $actions; do
      for k in 1 2 4; do
        for v in 1 3; do
          for seed in 7 20240601; do
            name="$out/$set-$warps-$action-k$k-v$v-s$seed.txt"
            "$batch" "$action" "${files[@]}" "${dim[@]}" "${extra[@]}" -k "$k" -v "$v" \
              --seed "$seed" >"$name" 2>&1 || echo "exit $?" >>"$name"
            count=$((count + 1))
          done
        done
      done
    done
  done
done
echo "$count texts in $out"
