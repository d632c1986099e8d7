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
      check "RunCPC $g1 $g2" "$("$batch" RunCPC "$f1" "$f2" --3d </dev/null 2>&1)" \
        "$(/usr/bin/python3 "$here/threed_crosscheck.py" RunCPC "$f1" "$f2" 2>/dev/null)"
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
