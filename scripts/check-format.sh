#!/usr/bin/env bash
# Fails when a C++ file of the project differs from its clang-format layout.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(find src app cli tests bench fuzz python -name '*.cpp' -o -name '*.h' | sort)
clang-format --dry-run -Werror "${files[@]}"
