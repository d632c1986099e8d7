#!/usr/bin/env bash
# Runs a cross-check when the tools it needs are there, and otherwise ends
# with 77, which ctest reports as skipped:
#   ctest_needs.sh NEED... -- COMMAND [ARG...]
# NEED: numpy (Debian's python3-numpy for /usr/bin/python3) or shapes (R
# with the package shapes, Debian's r-cran-shapes).
set -uo pipefail
missing=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do
  case "$1" in
    numpy) /usr/bin/python3 -c 'import numpy' 2>/dev/null || missing+=(python3-numpy) ;;
    shapes) Rscript -e 'suppressMessages(library(shapes))' >/dev/null 2>&1 ||
      missing+=(r-cran-shapes) ;;
    *) echo "ctest_needs.sh: unknown need \"$1\"" >&2; exit 2 ;;
  esac
  shift
done
shift
if [ ${#missing[@]} -gt 0 ]; then
  echo "skipped: this check needs ${missing[*]} (apt-get install ${missing[*]})"
  exit 77
fi
exec "$@"
