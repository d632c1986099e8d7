#!/usr/bin/env bash
# Compares the 'DoMezeyAngle' texts of vexmoor-batch with the independent
# computation of angle_text.py on two-dimensional data sets of the R package
# shapes (not bundled with Vexmoor), for partial warps on and off and
# k = 1, 2, 3. Needs r-base-core, r-cran-shapes and python3-numpy.
#
#   tools/crosscheck/run_angle_crosscheck.sh [path/to/vexmoor-batch]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
batch="${1:-$here/../../build/bin/vexmoor-batch}"
python=/usr/bin/python3
data="$(mktemp -d)"
trap 'rm -rf "$data"' EXIT

Rscript "$here/export_shapes_2d.R" "$data" 2>/dev/null

pairs=(
  "panf panm" "pongof pongom" "panf pongof" "panm pongom"
  "qcet2 qlet2" "qcet2 qset2" "qlet2 qset2"
  "schizo_con schizo_scz" "rats_day7 rats_day150" "digit3_a digit3_b"
)
compared=0 matched=0 basis_checked=0 basis_agreed=0
for pair in "${pairs[@]}"; do
  read -r g1 g2 <<<"$pair"
  for mode in pw raw; do
    flag=(); [ "$mode" = raw ] && flag=(--raw)
    for k in 1 2 3; do
      ours="$("$batch" DoMezeyAngle "$data/$g1.txt" "$data/$g2.txt" -k "$k" "${flag[@]}")"
      theirs="$("$python" "$here/angle_text.py" "$data/$g1.txt" "$data/$g2.txt" "$k" "${flag[@]}")"
      compared=$((compared + 1))
      if [ "$ours" = "$theirs" ]; then
        matched=$((matched + 1))
      else
        echo "DIFFERENT: $g1 $g2 $mode k=$k"
        diff <(echo "$ours") <(echo "$theirs") || true
      fi
      if [ "$mode" = pw ]; then
        warps="$("$python" "$here/angle_text.py" "$data/$g1.txt" "$data/$g2.txt" "$k" \
          --numbers 2>&1 >/dev/null)"
        other="$("$python" "$here/angle_text.py" "$data/$g1.txt" "$data/$g2.txt" "$k" \
          --numbers --projection-basis 2>&1 >/dev/null)"
        basis_checked=$((basis_checked + 1))
        if "$python" -c "import sys; a=[float(v) for v in sys.argv[1].split()]; \
b=[float(v) for v in sys.argv[2].split()]; \
sys.exit(0 if max(abs(x-y) for x,y in zip(a,b)) < 1e-9 else 1)" "$warps" "$other"; then
          basis_agreed=$((basis_agreed + 1))
        else
          echo "BASIS: $g1 $g2 k=$k: $warps vs $other"
        fi
      fi
      printf '%-24s %-4s k=%d  angle %7s  largest %6s  metric %6s\n' "$g1/$g2" "$mode" "$k" \
        $(echo "$ours" | grep -oE '[0-9]+\.[0-9]+')
    done
  done
done
echo "texts compared: $compared, identical: $matched"
echo "principal warps against another basis of their span: $basis_agreed of $basis_checked agree to 1e-9"
[ "$compared" -eq "$matched" ] && [ "$basis_checked" -eq "$basis_agreed" ]
