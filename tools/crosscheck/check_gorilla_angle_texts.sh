#!/usr/bin/env bash
# Writes the angle texts of the bundled gorilla groups with angle_text.py
# and compares them with the pinned file they came from:
#   check_gorilla_angle_texts.sh tests/data/gorilla_angle_texts.txt
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
pinned="$1"
gor="$here/../../examples/gorilla"
fresh="$(mktemp)"
trap 'rm -f "$fresh"' EXIT
grep '^@ ' "$pinned" | while read -r _ mode k; do
  flag=()
  [ "$mode" = raw ] && flag=(--raw)
  echo "@ $mode $k"
  /usr/bin/python3 "$here/angle_text.py" "$gor/gorf.txt" "$gor/gorm.txt" "$k" "${flag[@]}"
done >"$fresh"
if diff "$pinned" "$fresh"; then
  echo "$(grep -c '^@ ' "$pinned") pinned texts recomputed identically"
else
  echo "the pinned texts differ from the independent computation (< pinned, > recomputed)"
  exit 1
fi
