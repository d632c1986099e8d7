#!/usr/bin/env bash
# Checks the Python package the way its users get it. In a scratch folder:
# type-checks the package's sources (mypy --strict), builds an sdist and a
# wheel (python3 -m build --no-isolation), then, as a throwaway unprivileged
# user, installs each offline into a venv of its own made with
# --system-site-packages (numpy from Debian), runs the gorilla example with
# it and type-checks the example against the installed package; the
# wheel's venv also runs python/tests (VEXMOOR_BATCH names the vexmoor-batch
# to compare with; without it those comparisons are skipped). Exits non-zero
# on the first failure. Runs as root (it adds and removes the user);
# VEXMOOR_BUILD_JOBS sets the compile jobs (default: every core).
#   bash python/check_package.sh
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
source scripts/common.sh
VEXMOOR_PACKAGES=("${VEXMOOR_CORE_PACKAGES[@]}" "${VEXMOOR_PYTHON_PACKAGES[@]}"
                  "${VEXMOOR_PYTHON_CHECK_PACKAGES[@]}")
vexmoor_install_packages
if [ "$(id -u)" -ne 0 ]; then
  echo "error: python/check_package.sh runs as root, to install as a throwaway user" >&2
  exit 2
fi
python=${VEXMOOR_PYTHON:-/usr/bin/python3}

scratch=$(mktemp -d /tmp/vexmoor-python-check.XXXXXX)
user=vxpy$$
cleanup() {
  userdel "$user" 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
chmod 755 "$scratch"
mkdir -p "$scratch/dist" "$scratch/home" "$scratch/tmp" "$scratch/check"

# Object files compiled for the wheel serve the user's sdist install: the
# build shares them through a ccache storage in the scratch folder, which
# the user reads. A build in a venv adds the venv's (empty) include folder,
# which changes no object.
shared=$scratch/ccache-shared
build_env=(TMPDIR="$scratch/tmp" VEXMOOR_BUILD_JOBS="${VEXMOOR_BUILD_JOBS:-$(nproc)}")
user_env=("${build_env[@]}")
if command -v ccache >/dev/null; then
  compiler="ccache ${CC:-x86_64-linux-gnu-gcc}"
  build_env+=(CC="$compiler" CCACHE_BASEDIR="$scratch" CCACHE_REMOTE_STORAGE="file://$shared"
              CCACHE_RESHARE=1)
  user_env+=(CC="$compiler" CCACHE_BASEDIR="$scratch" CCACHE_DIR="$scratch/home/.ccache"
             CCACHE_REMOTE_STORAGE="file://$shared|read-only"
             CCACHE_IGNOREOPTIONS="-I../* -I$scratch/home/venv-*")
fi

vexmoor_step "mypy on the package" "$python" -m mypy --strict --no-incremental \
  --cache-dir=/dev/null python/vexmoor python/examples/gorilla.py
vexmoor_step "sdist and wheel" env "${build_env[@]}" \
  "$python" -m build --no-isolation --outdir "$scratch/dist" python
sdist=$(echo "$scratch"/dist/vexmoor-*.tar.gz)
wheel=$(echo "$scratch"/dist/vexmoor-*.whl)
[ -f "$sdist" ] && [ -f "$wheel" ] || { echo "error: no sdist or wheel in $scratch/dist" >&2; exit 1; }
# The user sees copies only: nothing it does reaches the repository.
cp -r python/examples python/tests "$scratch/check/"

useradd --home-dir "$scratch/home" --no-create-home --shell /bin/sh "$user"
chown -R "$user" "$scratch/home" "$scratch/tmp"
[ -d "$shared" ] && chmod -R a+rX "$shared"
as_user() {
  runuser -u "$user" -- env -i HOME="$scratch/home" PATH=/usr/bin:/bin LANG=C.UTF-8 \
    PIP_NO_INDEX=1 PIP_DISABLE_PIP_VERSION_CHECK=1 PYTHONDONTWRITEBYTECODE=1 \
    ${VEXMOOR_BATCH:+VEXMOOR_BATCH="$VEXMOOR_BATCH"} "${user_env[@]}" "$@"
}

# install_and_run NAME FILE: a venv of its own, the package from FILE.
install_and_run() {
  local venv=$scratch/home/venv-$1
  as_user "$python" -m venv --system-site-packages "$venv"
  as_user "$venv/bin/python" -m pip install --quiet --no-index --no-build-isolation "$2"
  # From the user's home, so that the installed package is the one imported.
  (cd "$scratch/home" && as_user "$venv/bin/python" -c \
    'import sys, vexmoor; assert vexmoor.__file__.startswith(sys.prefix), vexmoor.__file__')
  (cd "$scratch/home" && as_user "$venv/bin/python" "$scratch/check/examples/gorilla.py")
  (cd "$scratch/home" && as_user "$venv/bin/python" -m mypy --strict --no-incremental \
    --cache-dir=/dev/null "$scratch/check/examples/gorilla.py")
}

run_tests() {
  (cd "$scratch/home" && as_user "$scratch/home/venv-wheel/bin/python" -m pytest -q \
    -p no:cacheprovider "$scratch/check/tests")
}

vexmoor_step "the wheel installed by a user" install_and_run wheel "$wheel"
vexmoor_step "tests on the wheel" run_tests
if [ "${VEXMOOR_CHECK_SDIST:-1}" = 1 ]; then
  vexmoor_step "the sdist installed by a user" install_and_run sdist "$sdist"
  echo "python/check_package.sh: the sdist and the wheel install and run"
else
  echo "python/check_package.sh: the wheel (built from the sdist) installs and runs"
fi
