#!/usr/bin/env bash
# Builds the program and starts it on the embedded virtual printer.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
build=${QUORLA_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DQUORLA_BUILD_TESTS=OFF -DQUORLA_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc)"
export QUORLA_PRINTER=${QUORLA_PRINTER:-embedded}
# The embedded printer's front panel opens beside the program (QUORLA_VPRINTER_PANEL=0: without).
export QUORLA_VPRINTER_PANEL=${QUORLA_VPRINTER_PANEL:-1}
if [ -x "$build/bin/quorla-adjust" ]; then
  exec "$build/bin/quorla-adjust" "$@"
fi
exec "$build/bin/quorla-vprinter" "$@"
