#!/usr/bin/env bash
# Builds everything and runs every test. QUORLA_SANITIZE=1 builds with AddressSanitizer and
# UndefinedBehaviorSanitizer in build-asan/ instead.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh

options=(-DQUORLA_BUILD_TESTS=ON -DQUORLA_WERROR=ON)
if [ "${QUORLA_SANITIZE:-0}" = 1 ]; then
  build=${QUORLA_BUILD_DIR:-build-asan}
  options+=(-DQUORLA_SANITIZE=ON -DQUORLA_BUILD_BENCH=OFF)
  export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1}
  export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
  export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/support/lsan.supp}
else
  build=${QUORLA_BUILD_DIR:-build}
  options+=(-DQUORLA_BUILD_BENCH=ON)
fi

cmake -S . -B "$build" -G Ninja "${options[@]}" >/dev/null
cmake --build "$build" -j "$(nproc)"
ctest --test-dir "$build" --output-on-failure --no-tests=error -j "$(nproc)"
