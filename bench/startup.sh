#!/usr/bin/env bash
# Start-up benchmark: a bare Qt Widgets window against the program up to the shown printer
# selection, on a display (Xvfb when there is none). Usage: bench/startup.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${QUORLA_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target bench-startup >/dev/null
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
if [ -z "${DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  exec xvfb-run -a "$build/bin/bench-startup" "$@"
fi
exec "$build/bin/bench-startup" "$@"
