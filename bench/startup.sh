#!/usr/bin/env bash
# Start-up benchmark: a bare Qt Widgets window against the program up to the shown printer
# selection, on a display (Xvfb when there is none). Usage: bench/startup.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
build=${QUORLA_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target bench-startup >/dev/null
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
if [ -z "${DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  if command -v xvfb-run >/dev/null; then
    exec xvfb-run -a "$build/bin/bench-startup" "$@"
  fi
  # Offscreen both windows skip the font system's start, so the ratio reads higher than on a
  # display; say so rather than fail.
  echo "startup.sh: xvfb-run not found, measuring offscreen (ratios read higher than on a display)" >&2
  export QT_QPA_PLATFORM=offscreen
fi
exec "$build/bin/bench-startup" "$@"
