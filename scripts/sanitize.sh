#!/usr/bin/env bash
# The whole test suite under AddressSanitizer (leaks included) and
# UndefinedBehaviorSanitizer, in build-sanitize/. Optimised only to -O1 and
# without benchmarks, to keep CI's time down. Any sanitizer report fails
# the test that produced it.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh
vexmoor_install_packages
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
export QT_QPA_PLATFORM=offscreen
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" -DVEXMOOR_SANITIZE=ON \
  -DVEXMOOR_BUILD_BENCHMARKS=OFF "$@" >/dev/null
cmake --build build-sanitize -j "$(nproc)"
ctest --test-dir build-sanitize --output-on-failure -j "$(nproc)"
