#!/usr/bin/env bash
# Where the process may start no further thread (a user at their process
# limit), the analyses that work on threads give the same text on the one
# thread they have, rather than ending in std::terminate or an error.
# Needs root to run the batch as `nobody` with `ulimit -u 1` (root itself
# is exempt from the limit); skipped (77) where that cannot be done.
#   no_threads_test.sh VEXMOOR_BATCH EXAMPLES_DIR
set -uo pipefail
batch=$1
examples=$2
[ "$(id -u)" = 0 ] && command -v setpriv >/dev/null || exit 77
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
cp "$examples"/gorilla/gorf.txt "$examples"/gorilla/gorm.txt "$work"/
chmod 644 "$work"/*.txt
limited() {
  # LeakSanitizer's check at exit needs a thread of its own.
  setpriv --reuid=nobody --regid=nogroup --clear-groups env ASAN_OPTIONS=detect_leaks=0 \
    bash -c 'ulimit -u 1 && exec "$@"' limited "$batch" "$@"
}
limited --version >/dev/null 2>&1 || exit 77

status=0
for args in "RunCPC --diagnostics" "BootMezeyAngle -k 2 -v 1 --seed 1"; do
  read -r -a a <<<"$args"
  expected=$("$batch" "${a[0]}" "$work/gorf.txt" "$work/gorm.txt" "${a[@]:1}" 2>&1 </dev/null)
  got=$(limited "${a[0]}" "$work/gorf.txt" "$work/gorm.txt" "${a[@]:1}" 2>&1 </dev/null)
  if [ "$got" != "$expected" ]; then
    echo "$args on one thread differs:"
    diff <(echo "$expected") <(echo "$got") | head -5
    status=1
  fi
done
exit $status
