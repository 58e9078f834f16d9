#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang, AddressSanitizer and UndefinedBehaviorSanitizer
# into build-fuzz/, then runs each from its seed corpus in fuzz/corpus/<target>/ for a fixed time.
# Fails on any finding (crash, sanitizer report, leak, time-out); the input that caused it is kept
# in build-fuzz/findings/. Without clang or its fuzzer runtime it says so and skips.
#
#   scripts/fuzz.sh                          every target, 30 s each (what .ci/run does)
#   FUZZ_SECONDS=3600 scripts/fuzz.sh host_end_fuzz    one target for an hour
#
# New inputs that reach new code collect in build-fuzz/corpus/<target>/, never in the repository.
set -euo pipefail
cd "$(dirname "$0")/.."
QUORLA_FUZZ_DEPS=1 ./scripts/install-deps.sh

targets=(d4_parser_fuzz device_end_fuzz host_end_fuzz printengine_fuzz state_file_fuzz
         operator_commands_fuzz)
if [ $# -gt 0 ]; then targets=("$@"); fi
seconds=${FUZZ_SECONDS:-30}
build=${QUORLA_FUZZ_BUILD_DIR:-build-fuzz}

cc=$(command -v clang || true)
cxx=$(command -v clang++ || true)
if [ -z "$cc" ] || [ -z "$cxx" ]; then
  echo "fuzz: clang is not installed: the fuzz targets are skipped"
  exit 0
fi
probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' \
  >"$probe/probe.cpp"
if ! "$cxx" -fsanitize=fuzzer "$probe/probe.cpp" -o "$probe/probe" 2>/dev/null; then
  echo "fuzz: clang has no libFuzzer runtime here: the fuzz targets are skipped"
  exit 0
fi

cmake -S . -B "$build" -G Ninja -DCMAKE_C_COMPILER="$cc" -DCMAKE_CXX_COMPILER="$cxx" \
  -DQUORLA_FUZZ=ON -DQUORLA_SANITIZE=ON -DQUORLA_BUILD_TESTS=OFF -DQUORLA_BUILD_BENCH=OFF \
  >/dev/null
cmake --build "$build" -j "$(nproc)" --target "${targets[@]}"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
mkdir -p "$build/findings"
failed=()
for target in "${targets[@]}"; do
  corpus="$build/corpus/$target"
  mkdir -p "$corpus"
  echo "fuzz: $target for ${seconds} s"
  if ! "$build/bin/$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=3072 \
      -print_final_stats=1 -artifact_prefix="$build/findings/$target-" \
      "$corpus" "fuzz/corpus/$target" >"$build/$target.log" 2>&1; then
    echo "fuzz: $target FOUND A FAULT (log: $build/$target.log)"
    # The report with its stacks first (a fault on another thread, or at exit, leaves an empty
    # input behind: the stacks are then all there is), then how the run ended.
    grep -m1 -A60 -E '==[0-9]+==ERROR|ERROR: libFuzzer|runtime error:' "$build/$target.log" || true
    echo "..."
    tail -n 12 "$build/$target.log"
    failed+=("$target")
  else
    grep -E '^stat::number_of_executed_units' "$build/$target.log" || true
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: findings in ${failed[*]}"
  exit 1
fi
echo "fuzz: ${#targets[@]} targets ran without a finding"
