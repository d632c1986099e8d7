#!/usr/bin/env bash
# Checks the layering that docs/architecture.md draws: each folder includes
# only the folders it may lean on, the numerical core and the bindings
# include no Qt, and the front ends reach the core through src/api. Prints
# every breach as FILE: includes FOLDER and exits 1 if there is one. The
# packages' copies of the core (core/, include/) are not sources of ours.
#   scripts/check-layers.sh        (from the repository's top folder)
set -euo pipefail
cd "$(dirname "$0")/.."

# folder -> the top-level folders (under src/) it may include
declare -A may=(
  [src/runtime]=""
  [src/io]="runtime"
  [src/shape]="runtime"
  [src/compare]="runtime shape"
  [src/cpc]="runtime shape compare"
  [src/covariance]="runtime shape compare cpc"
  [src/analyses]="runtime io shape compare cpc covariance"
  [src/api]="runtime io shape compare cpc covariance analyses"
  [src/graphics]="runtime"
  [src/plot]="runtime graphics io shape compare cpc covariance analyses"
  [src/shell]="runtime graphics plot io analyses api"
  [cli]="runtime graphics plot io analyses api"
  [app]="runtime graphics plot shell"
  [python/src]="runtime io api"
  [r/vexmoor/src]="runtime api"
)
# Doors may use io for writing their outputs and naming files and formats
# (reading goes through api).
known=" "
no_qt="src/runtime src/io src/shape src/compare src/cpc src/covariance src/analyses src/api
       python/src r/vexmoor/src"

breaches=0
breach() {
  echo "$1" >&2
  breaches=$((breaches + 1))
}

for dir in "${!may[@]}"; do
  [ -d "$dir" ] || continue
  allowed=" $(basename "$dir") ${may[$dir]} "
  [ "$dir" = r/vexmoor/src ] || [ "$dir" = python/src ] && allowed=" ${may[$dir]} "
  while IFS= read -r hit; do
    file=${hit%%:*}
    folder=$(sed -E 's/.*#include "([A-Za-z_]+)\/.*/\1/' <<<"$hit")
    [[ "$allowed" == *" $folder "* ]] || [[ "$known" == *" $file:$folder "* ]] || breach "$file: includes $folder/"
  done < <(grep -rHE '^#include "[A-Za-z_]+/' "$dir" --include='*.h' --include='*.cpp' \
             --exclude-dir=core --exclude-dir=include || true)
done

for dir in $no_qt; do
  [ -d "$dir" ] || continue
  while IFS= read -r hit; do
    breach "${hit%%:*}: includes Qt in a folder without it"
  done < <(grep -rHE '^#include <(Q[A-Za-z]+|qcustomplot\.h)>' "$dir" --include='*.h' --include='*.cpp' \
             --exclude-dir=core --exclude-dir=include || true)
done

if [ "$breaches" -gt 0 ]; then
  echo "$breaches include(s) break the layering (docs/architecture.md)" >&2
  exit 1
fi
