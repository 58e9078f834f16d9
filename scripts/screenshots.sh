#!/usr/bin/env bash
# Builds the program and grabs its windows into docs/screenshots/*.png, offscreen (no display), and
# prints the A4 check page on the embedded printer into docs/screenshots/a4-check-page.png, with the
# printer's front panel and sheet viewer (vprinter-*.png); two items also at 12 points (*-12pt.png).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${QUORLA_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target quorla-screenshots
QT_QPA_PLATFORM=offscreen "$build/bin/quorla-screenshots" docs/screenshots
# Two of the workbench's items once more with a 12-point font, to see the windows grow with it.
larger=$(mktemp -d)
trap 'rm -rf "$larger"' EXIT
QT_QPA_PLATFORM=offscreen "$build/bin/quorla-screenshots" "$larger" 12 >/dev/null
cp "$larger/workbench-first-dot.png" docs/screenshots/workbench-first-dot-12pt.png
cp "$larger/workbench-liquid-exchange.png" docs/screenshots/workbench-liquid-exchange-12pt.png
