#!/usr/bin/env bash
# Installs what is missing, builds, and starts Vexmoor. Without a display it
# runs the batch front end on the bundled sample groups instead.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/common.sh
vexmoor_install_packages
vexmoor_build

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build/bin/vexmoor "$@"
fi

echo "No display found: running the batch front end on the bundled gorilla groups."
g1=examples/gorilla/gorf.txt
g2=examples/gorilla/gorm.txt
for action in DoMezeyAngle RunCPC BootMezeyAngle BootConMezeyAngle RangeMezeyAngle \
              PermuteMezeyAngle RandMezeyAngle; do
  echo
  echo "== vexmoor-batch $action $g1 $g2 -k 2 --seed 1"
  build/bin/vexmoor-batch "$action" "$g1" "$g2" -k 2 --seed 1 ||
    echo "($action failed)"
done
