#!/usr/bin/env bash
# Builds the program and grabs its windows into docs/screenshots/*.png, offscreen (no display), and
# prints the A4 check page on the embedded printer into docs/screenshots/a4-check-page.png.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${QUORLA_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target quorla-screenshots
QT_QPA_PLATFORM=offscreen "$build/bin/quorla-screenshots" docs/screenshots
