#!/usr/bin/env bash
# Makes r/vexmoor a self-contained source package: copies the core library's
# sources (the files the core's CMake lists name) into src/core, the Eigen
# 3.4 and nlohmann-json headers they need into src/include (RcppEigen's own
# Eigen is older than the core needs), the Tropheus example into inst/extdata,
# and writes src/Makevars with the object list. None of these is kept in git. Run before `R CMD build r/vexmoor`.
#   bash r/prepare_sources.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
pkg=$root/r/vexmoor
eigen=${VEXMOOR_EIGEN_INCLUDE:-/usr/include/eigen3}
json=${VEXMOOR_JSON_INCLUDE:-/usr/include}

for need in "$eigen/Eigen/Core" "$eigen/unsupported/Eigen/SpecialFunctions" \
  "$json/nlohmann/json.hpp"; do
  if [ ! -f "$need" ]; then
    echo "prepare_sources.sh: $need is missing (Debian: libeigen3-dev, nlohmann-json3-dev)" >&2
    exit 1
  fi
done

# The core's folders as src/CMakeLists.txt adds them, before the window's.
folders=$(sed -n '/^if(VEXMOOR_BUILD_GUI)/q; s/^add_subdirectory(\([a-z_]*\))$/\1/p' \
  "$root/src/CMakeLists.txt")
version=$(sed -n 's/^project(Vexmoor VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
described=$(sed -n 's/^Version: //p' "$pkg/DESCRIPTION")
if [ "$version" != "$described" ]; then
  echo "prepare_sources.sh: DESCRIPTION's version $described is not the project's $version" >&2
  exit 1
fi

rm -rf "$pkg/src/core" "$pkg/src/include"
mkdir -p "$pkg/src/core" "$pkg/src/include/unsupported/Eigen"
objects=()
for folder in $folders; do
  mkdir -p "$pkg/src/core/$folder"
  cp "$root/src/$folder"/*.h "$pkg/src/core/$folder/"
  # The sources of target_sources(vexmoor_core PRIVATE ...) in that folder.
  for source in $(sed -n '/^target_sources(vexmoor_core/,/^)/{/\.cpp/s/^ *//p}' \
    "$root/src/$folder/CMakeLists.txt"); do
    cp "$root/src/$folder/$source" "$pkg/src/core/$folder/"
    objects+=("core/$folder/${source%.cpp}.o")
  done
done
cp -r "$eigen/Eigen" "$pkg/src/include/"
cp "$eigen/unsupported/Eigen/SpecialFunctions" "$pkg/src/include/unsupported/Eigen/"
mkdir -p "$pkg/src/include/unsupported/Eigen/src"
cp -r "$eigen/unsupported/Eigen/src/SpecialFunctions" "$pkg/src/include/unsupported/Eigen/src/"
cp -r "$json/nlohmann" "$pkg/src/include/"
# The published Tropheus example's tangent coordinates, for the vignette.
cp "$root/examples/tropheus/tropheus_tangent.csv" "$pkg/inst/extdata/"

sed -e "s|@VERSION@|$version|" -e "s|@CORE_OBJECTS@|${objects[*]}|" \
  "$pkg/src/Makevars.in" > "$pkg/src/Makevars"
echo "prepare_sources.sh: ${#objects[@]} core sources copied into $pkg/src"
