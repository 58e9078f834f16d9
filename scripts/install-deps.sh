#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only those that are missing.
# Packages named as arguments are wanted too (tools that only some scripts use).
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev libgl-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libpng-dev zlib1g-dev nlohmann-json3-dev
  xvfb xauth fonts-dejavu-core
  appstream
  "$@"
)
# The fuzz build (scripts/fuzz.sh) only: clang and its libFuzzer runtime.
if [ "${QUORLA_FUZZ_DEPS:-0}" = 1 ]; then
  packages+=(clang libclang-rt-dev)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing missing packages: ${missing[*]}"
as_root=()
if [ "$(id -u)" -ne 0 ]; then
  as_root=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
