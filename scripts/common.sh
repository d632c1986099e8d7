# Shared by run.sh and test.sh: install what the build needs, then build.
# Sourced, not run.

# What configuring the tree and building the core library alone needs (the
# bindings build nothing else).
VEXMOOR_CORE_PACKAGES=(
  cmake make g++ pkg-config
  libeigen3-dev liblapack-dev libopenblas-dev libcli11-dev nlohmann-json3-dev
)

VEXMOOR_PACKAGES=(
  "${VEXMOOR_CORE_PACKAGES[@]}"
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-svg-dev libqt6opengl6-dev libgl-dev
  libqcustomplot-dev
  clang-format xvfb xauth
  clang-14 libfuzzer-14-dev libclang-rt-14-dev
)

# The R package's own (r/install.sh).
VEXMOOR_R_PACKAGES=(r-base-core r-base-dev r-cran-rcpp r-cran-rcppeigen r-cran-testthat
  r-cran-shapes r-cran-knitr r-cran-rmarkdown pandoc
  qpdf devscripts  # R CMD check --as-cran's own tools (qpdf, checkbashisms)
  ccache)  # r/check_package.sh compiles the same sources three times

# The Python module's own (python/install.sh).
VEXMOOR_PYTHON_PACKAGES=(pybind11-dev python3-numpy python3-pytest python3-dev)

# What building, installing and type-checking the Python package as its
# users do needs (python/check_package.sh); pandas for its tables.
VEXMOOR_PYTHON_CHECK_PACKAGES=(python3-pybind11 python3-setuptools python3-wheel python3-build
                               python3-venv python3-pip python3-mypy python3-pandas)

vexmoor_missing_packages() {
  local missing=()
  for p in "${VEXMOOR_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  echo "${missing[@]}"
}

vexmoor_install_packages() {
  local missing
  missing=$(vexmoor_missing_packages)
  [ -z "$missing" ] && return 0
  echo "Installing missing Debian packages: $missing"
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null; then
      sudo="sudo"
    else
      echo "error: missing packages ($missing) and not root; install them and run again" >&2
      return 1
    fi
  fi
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq &&
    # shellcheck disable=SC2086
    $sudo apt-get install -y --no-install-recommends $missing
}

# Compiles go through ccache where it is installed, so that a second
# checkout or a rebuild after a small change compiles only what changed.
vexmoor_launcher() {
  if command -v ccache >/dev/null; then
    echo "-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
  fi
}

vexmoor_build() {
  local type=${VEXMOOR_BUILD_TYPE:-RelWithDebInfo}
  # shellcheck disable=SC2046
  cmake -S . -B build -DCMAKE_BUILD_TYPE="$type" $(vexmoor_launcher) >/dev/null &&
    cmake --build build -j "$(nproc)"
}

# vexmoor_step NAME COMMAND...: runs a step and says how long it took, so
# that CI's log shows where its time goes.
vexmoor_step() {
  local name=$1 start=$SECONDS
  shift
  echo "== $name"
  "$@"
  echo "== $name: $((SECONDS - start)) s"
}

# The clang build with AddressSanitizer, UndefinedBehaviorSanitizer and the
# fuzz targets, in build-sanitize/; extra arguments go to cmake.
vexmoor_build_sanitized() {
  cmake -S . -B build-sanitize -DCMAKE_CXX_COMPILER="${VEXMOOR_SANITIZE_CXX:-clang++-14}" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only" \
    -DVEXMOOR_SANITIZE=ON -DVEXMOOR_FUZZ=ON -DVEXMOOR_BUILD_BENCHMARKS=OFF $(vexmoor_launcher) \
    "$@" >/dev/null &&
    cmake --build build-sanitize -j "$(nproc)"
}
