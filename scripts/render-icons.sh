#!/usr/bin/env bash
# Renders the program's icon (packaging/icons/org.quorla.z40adjust.svg, the one source) into the
# PNG sizes a desktop looks for. Run it after changing the SVG and commit the PNG files with it.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh librsvg2-bin
id=org.quorla.z40adjust
for size in 16 24 32 48 64 128 256; do
  mkdir -p "packaging/icons/$size"
  rsvg-convert -w "$size" -h "$size" "packaging/icons/$id.svg" -o "packaging/icons/$size/$id.png"
done
echo "icons rendered into packaging/icons/<size>/$id.png"
