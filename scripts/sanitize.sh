#!/usr/bin/env bash
# The whole test suite under AddressSanitizer (leaks included) and
# UndefinedBehaviorSanitizer, built with clang in build-sanitize/. The same
# build holds the fuzz targets (scripts/fuzz.sh), so that CI compiles the
# tree only once more. Optimised only to -O1, with line tables instead of
# full debug information and without benchmarks, to keep CI's time down.
# Any sanitizer report fails the test that produced it.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh
vexmoor_install_packages
vexmoor_build_sanitized "$@"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build-sanitize --output-on-failure -j "$(nproc)"
