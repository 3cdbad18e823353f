#!/usr/bin/env bash
# Scanning a card of 3 000 short recordings (tree, groups and every group's list) against listing
# the same files with their sizes (find -printf). Usage: bench/scan_card.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
cli="$build/tools/kivora-cli/kivora-cli"
card="$build/bench-data/scan-card"
if [ ! -f "$card/ready" ]; then
  rm -rf "$card"
  "$cli" democard "$card" --tiny 3000 --days 5 --manifest none >/dev/null
  touch "$card/ready"
fi
best() {
  local b=""
  for _ in 1 2 3; do
    local t0 t1
    t0=$(date +%s.%N); "$@" >/dev/null 2>&1; t1=$(date +%s.%N)
    b=$(echo "$t0 $t1 $b" | awk '{t=$2-$1; if ($3=="" || t<$3) print t; else print $3}')
  done
  echo "$b"
}
ours=$(best "$cli" scan "$card")
peer=$(best find "$card" -printf '%s\n')
echo "bench scan-card-3000 ours=${ours} peer=${peer} unit=s ratio=$(awk -v a="$ours" -v b="$peer" 'BEGIN{printf "%.2f", a/b}') goal=<=0.5s-absolute"
