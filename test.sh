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
VEXMOOR_PACKAGES+=("${VEXMOOR_R_PACKAGES[@]}" "${VEXMOOR_PYTHON_PACKAGES[@]}"
                  "${VEXMOOR_PYTHON_CHECK_PACKAGES[@]}")
vexmoor_install_packages
vexmoor_step "build" vexmoor_build
export QT_QPA_PLATFORM=offscreen
vexmoor_step "tests" ctest --test-dir build --output-on-failure -j "$(nproc)"
[ "$quick" -eq 1 ] && exit 0
# The R package as its users get it: the source tarball checked as CRAN
# would (its tests compare with this build's vexmoor-batch), then installed
# by an unprivileged user.
VEXMOOR_BATCH=$PWD/build/bin/vexmoor-batch VEXMOOR_EXAMPLES=$PWD/examples \
  vexmoor_step "R package" bash r/check_package.sh
# The Python module, the same way, tested from the top folder so that the
# installed package is the one imported.
VEXMOOR_CORE_BUILD=build vexmoor_step "Python module" bash python/install.sh
VEXMOOR_BATCH=$PWD/build/bin/vexmoor-batch VEXMOOR_EXAMPLES=$PWD/examples PYTHONDONTWRITEBYTECODE=1 \
  vexmoor_step "Python tests" /usr/bin/python3 -m pytest -q -p no:cacheprovider python/tests
# The Python package as its users get it: sdist and wheel (built from the
# sdist), the wheel installed by an unprivileged user into a venv, typed
# and tested there. The user's own compile of the sdist repeats the wheel's
# and runs only with VEXMOOR_CHECK_SDIST=1, to keep the suite within its hour.
VEXMOOR_BATCH=$PWD/build/bin/vexmoor-batch \
  VEXMOOR_CHECK_SDIST=${VEXMOOR_CHECK_SDIST:-0} vexmoor_step "Python package" bash python/check_package.sh
vexmoor_step "sanitizer suite" scripts/sanitize.sh
vexmoor_step "fuzz runs" scripts/fuzz.sh "${VEXMOOR_FUZZ_SECONDS:-60}"
