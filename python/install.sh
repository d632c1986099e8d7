#!/usr/bin/env bash
# Installs the Python module vexmoor for Debian's /usr/bin/python3: the
# Debian packages it needs (pybind11, numpy, pytest, the Python headers and
# the core library's build dependencies), the core library (built in
# build-core/ and installed into build-core/prefix, or taken from
# VEXMOOR_CORE_BUILD, an existing build folder of the project), then the
# module into the interpreter's site folder (/usr/local/lib/python3.11/
# dist-packages; VEXMOOR_PYTHON_SITE chooses another).
#   bash python/install.sh
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh
VEXMOOR_PACKAGES=("${VEXMOOR_CORE_PACKAGES[@]}" "${VEXMOOR_PYTHON_PACKAGES[@]}")
vexmoor_install_packages

# Debian's interpreter, not whichever python3 comes first on PATH.
python=${VEXMOOR_PYTHON:-/usr/bin/python3}
build=${VEXMOOR_CORE_BUILD:-build-core}
case "$build" in /*) ;; *) build=$PWD/$build ;; esac
if [ -z "${VEXMOOR_CORE_BUILD:-}" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEXMOOR_BUILD_GUI=OFF \
    -DVEXMOOR_BUILD_TESTS=OFF -DVEXMOOR_BUILD_BENCHMARKS=OFF >/dev/null
  cmake --build "$build" -j "$(nproc)" --target vexmoor_core
fi
prefix=$build/prefix
cmake --install "$build" --prefix "$prefix" --component Core >/dev/null

module=$build/python
cmake -S python -B "$module" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_PREFIX_PATH="$prefix" \
  -DPython_EXECUTABLE="$python" ${VEXMOOR_PYTHON_SITE:+-DVEXMOOR_PYTHON_SITE="$VEXMOOR_PYTHON_SITE"} \
  >/dev/null
cmake --build "$module" -j "$(nproc)"
# Stripped: the core's debugging information would make the module 100 MB.
cmake --install "$module" --strip | grep -v "^-- Up-to-date" || true
# From another folder, so that the installed package is the one imported.
(cd / && PYTHONPATH=${VEXMOOR_PYTHON_SITE:-} "$python" -c \
  'import vexmoor, sys; sys.stdout.write("vexmoor installed in " + vexmoor.__path__[0] + "\n")')
