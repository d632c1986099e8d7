#!/bin/bash
# Compares vexmoor-batch --3d with the independent computation of
# threed_crosscheck.py on the three-dimensional data sets of r-cran-shapes.
#
#   tools/crosscheck/threed_compare.sh [BUILD_DIR] [ACTION...]
#
# ACTION: DoMezeyAngle (several K per pair) and/or RunCPC; default both.
# Needs r-base-core, r-cran-shapes and python3-numpy (Debian). Prints every
# difference and a count; exits 1 when a text differs.
set -u
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../../build}
shift || true
actions=("$@")
[ ${#actions[@]} -eq 0 ] && actions=(DoMezeyAngle RunCPC)
batch=$build/bin/vexmoor-batch
sets=$(mktemp -d)
trap 'rm -rf "$sets"' EXIT

Rscript "$here/threed_export_shapes.R" "$sets" 2>/dev/null || {
  echo "cannot export the data sets (install r-base-core r-cran-shapes)" >&2
  exit 2
}

# group 1, group 2, the component counts to try
pairs=(
  "macaques_f macaques_m 1 2 3 4 5 6 7 8"
  "brains_f brains_m 1 2 3 4 5 8 10 15 20 26"
  "brains_grp1 brains_grp3 1 2 3 5 10 19"
  "brains8_f brains8_m 1 2 3 5 8 12 16"
  "brains6_f brains6_m 1 2 3 5 10"
)

# Groups with fewer specimens than shape variables.
singular=(macaques_f brains_f brains_grp1)
stable='^(Results| Model| 1\.\)| 2\.\)| 5\.\))'
compared=0
differ=0
check() {
  local label=$1 ours=$2 theirs=$3
  compared=$((compared + 1))
  if [ "$ours" != "$theirs" ]; then
    differ=$((differ + 1))
    echo "== $label differs (< vexmoor-batch, > independent)"
    diff <(echo "$ours") <(echo "$theirs")
  fi
}

for action in "${actions[@]}"; do
  for pair in "${pairs[@]}"; do
    read -r g1 g2 ks <<<"$pair"
    f1=$sets/$g1.txt f2=$sets/$g2.txt
    if [ "$action" = RunCPC ]; then
      ours=$(timeout 300 "$batch" RunCPC "$f1" "$f2" --3d </dev/null 2>&1)
      status=$?
      if [[ " ${singular[*]} " == *" $g1 "* ]]; then
        # Singular covariances: the models are undefined and their values
        # rounding noise; the action must still end with its text.
        compared=$((compared + 1))
        if [ $status -ne 0 ] || [[ "$ours" != "Results of CPC Analysis"* ]]; then
          differ=$((differ + 1))
          echo "== RunCPC $g1 $g2 (singular) did not end with its text (status $status)"
          echo "$ours" | head -5
        fi
        continue
      fi
      theirs=$(/usr/bin/python3 "$here/threed_crosscheck.py" RunCPC "$f1" "$f2" 2>/dev/null)
      # The equal, proportional and independent rows must agree; the common
      # and partial rows follow the path of the common-axes iteration and are
      # shown when they differ, without counting.
      check "RunCPC $g1 $g2" "$(grep -E "$stable" <<<"$ours")" "$(grep -E "$stable" <<<"$theirs")"
      if [ "$(grep -vE "$stable" <<<"$ours")" != "$(grep -vE "$stable" <<<"$theirs")" ]; then
        echo "-- RunCPC $g1 $g2: common and partial rows (< vexmoor-batch, > independent)"
        diff <(grep -vE "$stable" <<<"$ours") <(grep -vE "$stable" <<<"$theirs")
      fi
    else
      for k in $ks; do
        check "$action $g1 $g2 -k $k" "$("$batch" "$action" "$f1" "$f2" --3d -k "$k" 2>&1)" \
          "$(/usr/bin/python3 "$here/threed_crosscheck.py" "$action" "$f1" "$f2" "$k")"
      done
    fi
  done
done
echo "$compared texts compared, $differ differ"
[ "$differ" -eq 0 ]
