#!/usr/bin/env bash
# quorla-vprinter's scenario options as an instructor types them: the list, a file at fault
# refused with its place and exit code 2, and a run on standard input whose verdict and report
# say what the trainee did, in a memory of its own (the saved printer is left alone).
set -euo pipefail
vprinter=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail() { echo "scenario cli: $*" >&2; exit 1; }

listed=$("$vprinter" --list-scenarios)
[ "$(printf '%s\n' "$listed" | grep -c '^[a-z0-9-]* *[A-Z]')" -ge 8 ] || fail "list: $listed"
printf '%s\n' "$listed" | grep -q '^expired-cartridge  *The printer refuses a cartridge$' \
  || fail "list: no expired-cartridge with its title"

printf '{\n  "id": "x",\n  "title": \n}\n' >"$dir/bad.json"
set +e
"$vprinter" --scenario "$dir/bad.json" --socket "$dir/p.sock" >"$dir/out" 2>"$dir/err"
code=$?
set -e
[ "$code" = 2 ] || fail "a file at fault gave exit code $code"
grep -q "^quorla-vprinter: $dir/bad.json:4: syntax error" "$dir/err" || fail "bad file: $(cat "$dir/err")"
[ ! -e "$dir/p.sock" ] || fail "a file at fault started the printer"
set +e
"$vprinter" --report "$dir/r.json" >/dev/null 2>&1
code=$?
set -e
[ "$code" = 2 ] || fail "--report without --scenario gave exit code $code"
# A report that cannot be written is refused before the printer starts.
set +e
"$vprinter" --scenario shipping --report "$dir/none/r.json" --socket "$dir/q.sock" \
  </dev/null >/dev/null 2>"$dir/err"
code=$?
set -e
[ "$code" = 2 ] || fail "an unwritable report gave exit code $code"
grep -q "cannot write the report" "$dir/err" || fail "unwritable report: $(cat "$dir/err")"
[ ! -e "$dir/q.sock" ] || fail "an unwritable report left the printer listening"

printf 'replace-cartridge 1\njudge\nquit\n' |
  timeout 60 "$vprinter" --scenario expired-cartridge --report "$dir/report.json" \
    --socket "$dir/printer.sock" --state-dir "$dir/state" --tray-dir "$dir/tray" \
    --time-scale 0 >"$dir/run.out" 2>&1 || fail "the run failed: $(cat "$dir/run.out")"
grep -q "^Complaint: The customer bought a black cartridge" "$dir/run.out" \
  || fail "no complaint: $(cat "$dir/run.out")"
grep -q "^FAIL cartridge: the chip information was not read$" "$dir/run.out" \
  || fail "verdict: $(cat "$dir/run.out")"
grep -q "^MISTAKE a cartridge in date was replaced$" "$dir/run.out" || fail "no mistake"
grep -q "^scenario not passed: 1 of 1 goals open$" "$dir/run.out" || fail "no closing line"
grep -q '"scenario": "expired-cartridge"' "$dir/report.json" || fail "report: $(cat "$dir/report.json")"
grep -q '"passed": false' "$dir/report.json" || fail "report says passed"
grep -q "^quorla-vprinter: stopped; the scenario's state discarded$" "$dir/run.out" \
  || fail "closing line: $(cat "$dir/run.out")"
[ ! -e "$dir/state/printer-state.txt" ] || fail "the scenario wrote the saved printer's state"
ls "$dir" | grep -q 'report.json.tmp' && fail "a temporary report was left"
exit 0
