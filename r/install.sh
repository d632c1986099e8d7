#!/usr/bin/env bash
# Installs the R package vexmoor: the Debian packages it needs (R, Rcpp,
# RcppEigen, testthat and the core library's build dependencies), the core
# library (built in build-core/ and installed into build-core/prefix, or
# taken from VEXMOOR_CORE_BUILD, an existing build folder of the project),
# then the package into R's site library.
#   bash r/install.sh            install
#   bash r/install.sh --check    also R CMD check the package (no manual)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh
VEXMOOR_PACKAGES+=("${VEXMOOR_R_PACKAGES[@]}")
vexmoor_install_packages

check=0
[ "${1:-}" = "--check" ] && check=1

build=${VEXMOOR_CORE_BUILD:-build-core}
if [ -z "${VEXMOOR_CORE_BUILD:-}" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEXMOOR_BUILD_GUI=OFF \
    -DVEXMOOR_BUILD_TESTS=OFF -DVEXMOOR_BUILD_BENCHMARKS=OFF >/dev/null
  cmake --build "$build" -j "$(nproc)" --target vexmoor_core
fi
prefix=$PWD/$build/prefix
cmake --install "$build" --prefix "$prefix" --component Core >/dev/null
export PKG_CONFIG_PATH="$prefix/lib/pkgconfig${PKG_CONFIG_PATH:+:$PKG_CONFIG_PATH}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && R CMD build --no-build-vignettes "$OLDPWD/r/vexmoor" >/dev/null)
tarball=$(ls "$work"/vexmoor_*.tar.gz)
R CMD INSTALL "$tarball"
if [ "$check" -eq 1 ]; then
  (cd "$work" && _R_CHECK_FORCE_SUGGESTS_=true R CMD check --no-manual "$tarball")
  log=$work/vexmoor.Rcheck/00check.log
  grep -A8 -E "\.\.\. (NOTE|WARNING|ERROR)" "$log" || true
  if grep -E "^Status: .*(ERROR|WARNING)" "$log"; then
    exit 1
  fi
fi
