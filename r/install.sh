#!/usr/bin/env bash
# Installs the R package vexmoor: the Debian packages it needs (R with its
# compilers, Rcpp, RcppEigen, testthat; Eigen and nlohmann-json, whose headers
# the source package carries), then builds the self-contained source package
# (r/prepare_sources.sh) and installs it into R's site library.
#   bash r/install.sh            install
#   bash r/install.sh --check    also R CMD check the package (no manual)
# MAKEFLAGS (default -j2) sets how many files compile at once.
# VEXMOOR_R_CCACHE: ccache's folder (default /var/tmp/vexmoor-r-ccache).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh
VEXMOOR_PACKAGES=("${VEXMOOR_R_PACKAGES[@]}" libeigen3-dev nlohmann-json3-dev)
vexmoor_install_packages

check=0
[ "${1:-}" = "--check" ] && check=1
export MAKEFLAGS=${MAKEFLAGS:--j2}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Through ccache where it is installed, with the cache r/check_package.sh
# uses: the core's sources then compile once for both.
if command -v ccache >/dev/null && [ -z "${R_MAKEVARS_USER:-}" ]; then
  printf 'CXX20 = ccache g++\n' > "$work/Makevars"
  export R_MAKEVARS_USER=$work/Makevars CCACHE_NOHASHDIR=1
  export CCACHE_DIR=${VEXMOOR_R_CCACHE:-/var/tmp/vexmoor-r-ccache}
  mkdir -p "$CCACHE_DIR"
fi

bash r/prepare_sources.sh
(cd "$work" && R CMD build --no-build-vignettes "$OLDPWD/r/vexmoor" >/dev/null)
tarball=$(ls "$work"/vexmoor_*.tar.gz)
R CMD INSTALL "$tarball"
if [ "$check" -eq 1 ]; then
  (cd "$work" && _R_CHECK_FORCE_SUGGESTS_=false R CMD check --no-manual --ignore-vignettes "$tarball")
  log=$work/vexmoor.Rcheck/00check.log
  grep -A8 -E "\.\.\. (NOTE|WARNING|ERROR)" "$log" || true
  if grep -E "^Status: .*(ERROR|WARNING)" "$log"; then
    exit 1
  fi
fi
