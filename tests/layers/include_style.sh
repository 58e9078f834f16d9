#!/usr/bin/env bash
# Every project include names its folder ("eeprom/headid.h"): a bare file name or a ".." is looked
# up beside the including file first, past the room's include root and its walls.
set -euo pipefail
cd "$1"
found=$(git ls-files '*.cpp' '*.h' '*.c' 2>/dev/null || find . -name '*.cpp' -o -name '*.h' -o -name '*.c')
bad=$(printf '%s\n' $found | grep -v '^build' | xargs grep -snE '^\s*#\s*include\s+"([^/"]*|[^"]*\.\./[^"]*)"' || true)
if [ -n "$bad" ]; then
  echo "includes without their folder, or through '..':"
  echo "$bad"
  exit 1
fi
echo "every project include names its folder"
