#!/usr/bin/env bash
# The CSV listing's cost per recording (atoms and telemetry header read) against ffprobe reading
# the picture size of one recording. Usage: bench/csv.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
cli="$build/tools/kivora-cli/kivora-cli"
card="$build/bench-data/scan-card"
if [ ! -f "$card/ready" ]; then
  rm -rf "$card"
  "$cli" democard "$card" --tiny 3000 --days 5 --manifest none >/dev/null
  touch "$card/ready"
fi
out="$build/bench-data/csv-out" && rm -rf "$out" && mkdir -p "$out"
count=$(find "$card" -name '*M.MOV' -not -path '*/Sub_/*' | wc -l)
t0=$(date +%s.%N); "$cli" csv "$card" "$out" >/dev/null; t1=$(date +%s.%N)
one=$(find "$card" -name '*M.MOV' | head -1)
p0=$(date +%s.%N)
for _ in $(seq 20); do ffprobe -v error -show_entries stream=width,height,nb_frames "$one" >/dev/null; done
p1=$(date +%s.%N)
awk -v t0="$t0" -v t1="$t1" -v n="$count" -v p0="$p0" -v p1="$p1" 'BEGIN{
  ours=(t1-t0)/n*1000; peer=(p1-p0)/20*1000;
  printf "bench csv-per-recording ours=%.3f peer=%.3f unit=ms ratio=%.3f goal=<=0.1\n", ours, peer, ours/peer }'
