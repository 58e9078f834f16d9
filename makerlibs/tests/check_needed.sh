#!/usr/bin/env bash
# Fails when one of the given shared objects needs the toolkit or the virtual printer (its
# DT_NEEDED entries, as the loader will load them): a maker library stand-in needs the protocol
# only, so a build that slips the printer or the toolkit back into one shows here.
set -euo pipefail
status=0
for library in "$@"; do
  needed=$(readelf -d "$library" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
  [ -n "$needed" ] || { echo "$library: no dynamic section read"; status=1; continue; }
  bad=$(printf '%s\n' "$needed" | grep -E '^lib(Qt|vprinter|png)' || true)
  if [ -n "$bad" ]; then
    echo "$library needs: $(echo "$bad" | tr '\n' ' ')"
    status=1
  fi
done
exit $status
