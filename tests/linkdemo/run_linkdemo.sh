#!/usr/bin/env bash
# Starts quorla-vprinter on a temporary socket with a trace file, runs the C demo against it, and
# checks that every call the demo made is in the trace, in order. Then the same on the embedded
# printer, which the port library loads by itself: the demo links nothing of the printer.
set -euo pipefail
vprinter=$1
demo=$2
dir=$(mktemp -d)
printer=
cleanup() {
  if [ -n "$printer" ]; then kill "$printer" 2>/dev/null || true; wait "$printer" 2>/dev/null || true; fi
  rm -rf "$dir"
}
trap cleanup EXIT

"$vprinter" --socket "$dir/printer.sock" --state-dir "$dir/state" --tray-dir "$dir/tray" \
  --trace "$dir/trace.jsonl" --time-scale 0 </dev/null >"$dir/vprinter.out" 2>&1 &
printer=$!
for _ in $(seq 1 100); do
  grep -q "listening on" "$dir/vprinter.out" 2>/dev/null && break
  sleep 0.05
done
grep -q "listening on" "$dir/vprinter.out" || { cat "$dir/vprinter.out"; exit 1; }
[ "$(stat -c %a "$dir/printer.sock")" = 600 ] || { echo "socket mode is not 0600"; exit 1; }

QUORLA_PRINTER=unix:$dir/printer.sock "$demo"

kill -TERM "$printer"
wait "$printer"
printer=
[ ! -e "$dir/printer.sock" ] || { echo "socket left behind"; exit 1; }
[ -f "$dir/state/printer-state.txt" ] || { echo "state not saved"; exit 1; }

check_trace() {
  local trace=$1
  ops=$(sed -e 's/.*"op":"\([a-z_]*\)".*/\1/' "$trace" | tr '\n' ' ')
  expected="connect negotiate eeprom_read eeprom_write soft_reset status data read_crtag terminate disconnect "
  if [ "$ops" != "$expected" ]; then
    echo "trace ops:    $ops"
    echo "expected ops: $expected"
    cat "$trace"
    exit 1
  fi
  grep -q '"op":"eeprom_read","addr":46,"value":0}' "$trace"
  grep -q '"op":"eeprom_write","addr":95,"value":0}' "$trace"
  grep -q '"op":"status","status":61435,"error":0,"carriage":0}' "$trace"
  grep -q '"op":"data","hex":"1B400C"}' "$trace"
  grep -q '"op":"read_crtag","cart":0,"addr":35,"value":75}' "$trace"
}

check_trace "$dir/trace.jsonl"
echo "every call is in the standalone printer's trace"

QUORLA_PRINTER=embedded QUORLA_VPRINTER_STATE_DIR=$dir/embedded-state \
  QUORLA_VPRINTER_TRAY_DIR=$dir/embedded-tray QUORLA_VPRINTER_TRACE=$dir/embedded.jsonl \
  QUORLA_VPRINTER_TIME_SCALE=0 QUORLA_VPRINTER_PANEL=0 "$demo"
[ -f "$dir/embedded-state/printer-state.txt" ] || { echo "embedded state not saved"; exit 1; }
check_trace "$dir/embedded.jsonl"
echo "every call is in the embedded printer's trace"
