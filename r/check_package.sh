#!/usr/bin/env bash
# Checks the R package as its users meet it, in a scratch folder: builds the
# source tarball (vignette included), runs `R CMD check --as-cran` on it (no
# ERROR allowed; WARNINGs and NOTEs are listed), then installs the tarball as
# a throwaway unprivileged user into a personal library and runs the gorilla
# example there. Exits non-zero on any failure. Run as root (it adds and
# removes the user).
#   bash r/check_package.sh
# VEXMOOR_BATCH, where set, lets the package's tests compare with the batch
# front end. Where ccache is installed every compile goes through it, with
# its cache in VEXMOOR_R_CCACHE (default /var/tmp/vexmoor-r-ccache), which
# the throwaway user only reads: the three compiles of the same sources
# (vignette, check, user's install) then cost one.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export MAKEFLAGS=${MAKEFLAGS:--j2}
start=$SECONDS

work=$(mktemp -d /tmp/vexmoor-r-check.XXXXXX)
chmod 755 "$work"
user=vxcheck$$
cleanup() {
  userdel -r "$user" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

cached=()
if command -v ccache >/dev/null; then
  printf 'CXX20 = ccache g++\n' > "$work/Makevars"
  export CCACHE_DIR=${VEXMOOR_R_CCACHE:-/var/tmp/vexmoor-r-ccache} CCACHE_NOHASHDIR=1
  export R_MAKEVARS_USER=$work/Makevars
  mkdir -p "$CCACHE_DIR"
  cached=(R_MAKEVARS_USER="$R_MAKEVARS_USER" CCACHE_DIR="$CCACHE_DIR" CCACHE_NOHASHDIR=1
    CCACHE_READONLY=1 CCACHE_TEMPDIR="$work/home/ccache-tmp")
fi

echo "== building the source package"
bash "$root/r/prepare_sources.sh"
(cd "$work" && R CMD build "$root/r/vexmoor" > build.log 2>&1) || {
  cat "$work/build.log"
  exit 1
}
tarball=$(ls "$work"/vexmoor_*.tar.gz)
echo "$(basename "$tarball"): $(du -k "$tarball" | cut -f1) kB ($((SECONDS - start)) s)"

echo "== R CMD check --as-cran"
# No network here: the incoming checks that ask CRAN's servers are skipped.
# The PDF manual needs LaTeX, which the project does not install.
manual=()
command -v pdflatex >/dev/null || manual=(--no-manual)
(cd "$work" && _R_CHECK_CRAN_INCOMING_REMOTE_=false _R_CHECK_LIMIT_CORES_=true \
  _R_CHECK_FORCE_SUGGESTS_=false R CMD check --as-cran "${manual[@]}" "$tarball" > check.log 2>&1) ||
  true
log=$work/vexmoor.Rcheck/00check.log
if [ ! -f "$log" ]; then
  cat "$work/check.log"
  exit 1
fi
grep -A12 -E "\.\.\. (NOTE|WARNING|ERROR)$" "$log" || true
status=$(grep -E "^Status: " "$log" || echo "Status: unknown")
echo "$status ($((SECONDS - start)) s)"
if ! grep -qE "^Status: (OK|[0-9]+ (WARNING|NOTE)s?(, [0-9]+ NOTEs?)?)$" "$log"; then
  for f in "$work"/vexmoor.Rcheck/00install.out "$work"/vexmoor.Rcheck/tests/testthat.Rout.fail; do
    [ -f "$f" ] && tail -40 "$f"
  done
  exit 1
fi

echo "== installing as the unprivileged user $user"
useradd --create-home --home-dir "$work/home" --shell /bin/sh "$user"
as_user() {
  runuser -u "$user" -- env -i HOME="$work/home" PATH=/usr/bin:/bin MAKEFLAGS="$MAKEFLAGS" \
    R_LIBS_USER="$work/home/R/library" LANG=C.UTF-8 "${cached[@]}" "$@"
}
as_user mkdir -p "$work/home/R/library" "$work/home/ccache-tmp"
(cd "$work/home" && as_user R CMD INSTALL "$tarball") > "$work/install.log" 2>&1 || {
  tail -40 "$work/install.log"
  exit 1
}
cp "$root/r/gorilla_example.R" "$work/"
(cd "$work/home" && as_user Rscript ../gorilla_example.R)
echo "== R package checked in $((SECONDS - start)) s"
