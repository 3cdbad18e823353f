#!/usr/bin/env bash
# Runs the benchmarks (all, or the named ones). Each prints one line:
#   bench NAME ours=VALUE peer=VALUE unit=UNIT ratio=OURS/PEER goal=TEXT
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh release
status=0
for driver in bench/*.sh; do
  name=$(basename "$driver" .sh)
  if [ $# -gt 0 ] && ! printf '%s\n' "$@" | grep -qx "$name"; then continue; fi
  bash "$driver" build/release || status=1
done
exit $status
