#!/usr/bin/env bash
# Builds the program and starts it on the embedded virtual printer.
set -euo pipefail
# --scenario ID|FILE [--instructor]: a training scenario on the embedded printer (docs/scenarios.md).
# A file is taken where the caller named it, before the build moves to the repository.
args=()
while [ $# -gt 0 ]; do
  case "$1" in
    --scenario)
      scenario="${2:?--scenario needs an id or a file}"
      [ -e "$scenario" ] && scenario=$(realpath "$scenario")
      export QUORLA_VPRINTER_SCENARIO="$scenario"
      shift 2 ;;
    --instructor) export QUORLA_VPRINTER_INSTRUCTOR=1; shift ;;
    *) args+=("$1"); shift ;;
  esac
done
set -- "${args[@]+"${args[@]}"}"
cd "$(dirname "$0")"
./scripts/install-deps.sh
build=${QUORLA_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DQUORLA_BUILD_TESTS=OFF -DQUORLA_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc)"
if [ -n "${QUORLA_VPRINTER_SCENARIO:-}" ]; then
  # A scenario at fault is refused here, before the program starts, with the line or key at fault.
  "$build/bin/quorla-vprinter" --scenario "$QUORLA_VPRINTER_SCENARIO" --check
fi
export QUORLA_PRINTER=${QUORLA_PRINTER:-embedded}
# The embedded printer's front panel opens beside the program (QUORLA_VPRINTER_PANEL=0: without).
export QUORLA_VPRINTER_PANEL=${QUORLA_VPRINTER_PANEL:-1}
if [ -x "$build/bin/quorla-adjust" ]; then
  exec "$build/bin/quorla-adjust" "$@"
fi
exec "$build/bin/quorla-vprinter" "$@"
