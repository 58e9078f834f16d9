#!/usr/bin/env bash
# Builds the program as another project's subproject: a tiny outer project takes this checkout in
# with add_subdirectory and builds both programs and a probe linked to the workbench library
# (an INTERFACE target, so it is built through the probe), tests off. Catches paths that mean
# this project's root but name the outer one's.
# Usage: scripts/subproject-check.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
checkout=$PWD
outer=$(mktemp -d)
build=${1:-$outer/build}
trap 'rm -rf "$outer"' EXIT

cat >"$outer/CMakeLists.txt" <<OUTER
cmake_minimum_required(VERSION 3.25)
project(quorla_outer LANGUAGES C CXX)
set(QUORLA_BUILD_TESTS OFF CACHE BOOL "" FORCE)
set(QUORLA_BUILD_BENCH OFF CACHE BOOL "" FORCE)
add_subdirectory("$checkout" quorla)
# The outer project uses the workbench library as a client would.
add_executable(outer_probe probe.cpp)
target_link_libraries(outer_probe PRIVATE adjustprogram)
OUTER
cat >"$outer/probe.cpp" <<'PROBE'
#include "workbench/formadjust.h"
int main() { return sizeof(TFormAdjust) > 0 ? 0 : 1; }
PROBE

cmake -S "$outer" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j "$(nproc)" --target quorla-adjust quorla-vprinter outer_probe
for program in quorla-adjust quorla-vprinter; do
  found=$(find "$build" -name "$program" -type f -perm -u+x | head -n 1)
  [ -n "$found" ] || { echo "subproject-check: $program was not built" >&2; exit 1; }
  QT_QPA_PLATFORM=offscreen "$found" --version >/dev/null \
    || { echo "subproject-check: $program --version failed" >&2; exit 1; }
done
echo "subproject-check: built as a subproject"
