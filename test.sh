#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite: the
# normal build's tests, the R package's check, the Python module's tests,
# then the same tests under AddressSanitizer and UndefinedBehaviorSanitizer,
# then a short run of every fuzz target.
#   ./test.sh           everything (what CI runs)
#   ./test.sh --quick   the normal build's tests only
set -euo pipefail
cd "$(dirname "$0")"
quick=0
case "${1:-}" in
  --quick) quick=1 ;;
  "") ;;
  *) echo "error: unknown option \"$1\" (use --quick or nothing)" >&2; exit 2 ;;
esac
source scripts/common.sh
VEXMOOR_PACKAGES+=("${VEXMOOR_R_PACKAGES[@]}" "${VEXMOOR_PYTHON_PACKAGES[@]}")
vexmoor_install_packages
vexmoor_step "build" vexmoor_build
export QT_QPA_PLATFORM=offscreen
vexmoor_step "tests" ctest --test-dir build --output-on-failure -j "$(nproc)"
[ "$quick" -eq 1 ] && exit 0
# The R package, built on this build's core library and checked against
# its vexmoor-batch.
VEXMOOR_BATCH=$PWD/build/bin/vexmoor-batch VEXMOOR_CORE_BUILD=build \
  vexmoor_step "R package" bash r/install.sh --check
# The Python module, the same way, tested from the top folder so that the
# installed package is the one imported.
VEXMOOR_CORE_BUILD=build vexmoor_step "Python module" bash python/install.sh
VEXMOOR_BATCH=$PWD/build/bin/vexmoor-batch PYTHONDONTWRITEBYTECODE=1 \
  vexmoor_step "Python tests" /usr/bin/python3 -m pytest -q -p no:cacheprovider python/tests
vexmoor_step "sanitizer suite" scripts/sanitize.sh
vexmoor_step "fuzz runs" scripts/fuzz.sh "${VEXMOOR_FUZZ_SECONDS:-60}"
