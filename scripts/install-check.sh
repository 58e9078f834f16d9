#!/usr/bin/env bash
# Installs a build into a temporary prefix and checks the result as a user would meet it: every
# file where a desktop looks for it, the metainfo valid, the libraries found through the relative
# RPATH, the terminal options answering, and the installed program starting on the embedded
# printer. Usage: scripts/install-check.sh BUILD_DIR
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?usage: scripts/install-check.sh BUILD_DIR}
./scripts/install-deps.sh

prefix=$(mktemp -d)
home=$(mktemp -d)
trap 'rm -rf "$prefix" "$home"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

fail() { echo "install-check: $*" >&2; exit 1; }
id=org.quorla.z40adjust
libdir=$(cd "$prefix" && ls -d lib*/quorla-adjust | head -n 1)
for f in bin/quorla-adjust bin/quorla-vprinter \
         "$libdir/libporthub.so" "$libdir/libpktlink.so" "$libdir/libmechcmd.so" \
         "$libdir/libd4.so" "$libdir/libvprinter.so" "$libdir/libvprinterpanel.so" \
         "$libdir/libvprinterembedded.so" "$libdir/libvprinterscenario.so" \
         share/quorla-adjust/scenarios/bid-drift.json \
         "share/applications/$id.desktop" "share/metainfo/$id.metainfo.xml" \
         "share/icons/hicolor/scalable/apps/$id.svg" "share/icons/hicolor/48x48/apps/$id.png" \
         share/man/man1/quorla-adjust.1.gz share/man/man1/quorla-vprinter.1.gz; do
  [ -e "$prefix/$f" ] || fail "missing $f"
done
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" >/dev/null \
  || fail "metainfo does not validate"
for program in quorla-adjust quorla-vprinter; do
  if ldd "$prefix/bin/$program" | grep -q "not found"; then
    ldd "$prefix/bin/$program" >&2
    fail "$program does not find its libraries"
  fi
  # The build tree's RPATH must not have leaked into the installed files.
  if readelf -d "$prefix/bin/$program" | grep -q "$(cd "$build" && pwd)"; then
    fail "$program still points into the build tree"
  fi
done

"$prefix/bin/quorla-adjust" --help | grep -q "Usage: quorla-adjust" || fail "quorla-adjust --help"
"$prefix/bin/quorla-adjust" --version | grep -qx "quorla-adjust [0-9.]*" || fail "--version"
set +e
"$prefix/bin/quorla-adjust" --no-such-option 2>/dev/null
code=$?
set -e
[ "$code" = 2 ] || fail "an unknown option gave exit code $code, not 2"
"$prefix/bin/quorla-vprinter" --help | grep -q "usage: quorla-vprinter" || fail "quorla-vprinter --help"
# The training scenarios, found where they were installed, each of them loading.
listed=$(env -i PATH="$PATH" HOME="$home" "$prefix/bin/quorla-vprinter" --list-scenarios)
[ "$(printf '%s\n' "$listed" | grep -c '^[a-z0-9-]* *[A-Z]')" -ge 8 ] \
  || fail "quorla-vprinter --list-scenarios: $listed"
env -i PATH="$PATH" HOME="$home" "$prefix/bin/quorla-vprinter" --scenario shipping --check \
  >/dev/null || fail "quorla-vprinter --scenario shipping --check"
# ... and the files are there themselves, not only found in the source tree.
installed=$(ls "$prefix/share/quorla-adjust/scenarios/"*.json 2>/dev/null | wc -l)
[ "$installed" -ge 8 ] || fail "$installed scenario files installed, not 8"
for file in "$prefix/share/quorla-adjust/scenarios/"*.json; do
  "$prefix/bin/quorla-vprinter" --scenario "$file" --check >/dev/null || fail "$file does not load"
done
# The installed standalone printer with its front panel: it opens, takes "quit" and ends cleanly.
echo quit | env -i PATH="$PATH" HOME="$home" QT_QPA_PLATFORM=offscreen \
  timeout 20 "$prefix/bin/quorla-vprinter" --panel --socket "$home/panel.sock" \
  --state-dir "$home/panel-state" --tray-dir "$home/panel-tray" >/dev/null 2>&1 \
  || fail "quorla-vprinter --panel did not start and stop cleanly"

# The installed program on its embedded printer for two seconds: still running then (timeout's
# 124) means it started; anything else means it ended early or crashed.
set +e
env -i PATH="$PATH" HOME="$home" XDG_RUNTIME_DIR="$home/run" XDG_STATE_HOME="$home/state" \
  XDG_DATA_HOME="$home/data" QT_QPA_PLATFORM=offscreen QUORLA_PRINTER=embedded \
  timeout 2 "$prefix/bin/quorla-adjust"
code=$?
set -e
[ "$code" = 124 ] || fail "the installed quorla-adjust ended with $code within two seconds"
echo "install-check: the installed program is complete and starts"
