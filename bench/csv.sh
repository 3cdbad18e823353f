#!/usr/bin/env bash
# The CSV listing of 1 000 recordings: time per recording (atoms and telemetry header read, line
# written) against ffprobe reading the picture size of one recording, the way a script would list
# them. Usage: bench/csv.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
. "$(dirname "$0")/common.sh"
cli="$build/tools/kivora-cli/kivora-cli"
card=$(democard_once "$build" csv-card --tiny 1000 --days 2)
out="$build/bench-data/csv-out" && rm -rf "$out" && mkdir -p "$out"
count=$(find "$card" -name '*M.MOV' | wc -l)
# -quit: a pipe into head would end find with SIGPIPE, which pipefail takes for a failure.
one=$(find "$card" -name '*M.MOV' -print -quit)
ours=$(best_of 3 "$cli" csv "$card" "$out")
peer=$(best_of 3 sh -c 'for _ in $(seq 20); do ffprobe -v error -show_entries stream=width,height,nb_frames "$0"; done' "$one")
awk -v ours="$ours" -v n="$count" -v peer="$peer" 'BEGIN{
  o=ours/n*1000; p=peer/20*1000;
  printf "bench csv-per-recording ours=%.3f peer=%.3f unit=ms ratio=%.3f goal=report(%d-recordings)\n", o, p, o/p, n }'
