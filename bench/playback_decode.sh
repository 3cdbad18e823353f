#!/usr/bin/env bash
# Decode-and-present throughput of a 60 s 1080p recording: our decode plus mixing into the
# presenter's 32-bit surface, against ffmpeg decoding the same movie to nothing with two threads.
# Usage: bench/playback_decode.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
cli="$build/tools/kivora-cli/kivora-cli"
ours_bin="$build/bench/bench_playback_decode"
work="$build/bench-data/playback"
if [ ! -f "$work/ready" ]; then
  rm -rf "$work" && mkdir -p "$work"
  "$cli" democard "$work/card" --recordings 1 --days 1 --seconds 60 --main 1920x1080 --no-sub --manifest none >/dev/null
  touch "$work/ready"
fi
movie=$(find "$work/card" -name '*M.MOV' | head -1)

best() { # best of three wall-clock seconds of a command
  local b=""
  for _ in 1 2 3; do
    local t0 t1
    t0=$(date +%s.%N); "$@" >/dev/null 2>&1; t1=$(date +%s.%N)
    b=$(echo "$t0 $t1 $b" | awk '{t=$2-$1; if ($3=="" || t<$3) print t; else print $3}')
  done
  echo "$b"
}
ours=$(best "$ours_bin" "$movie")
peer=$(best ffmpeg -nostdin -v error -threads 2 -i "$movie" -f null -)
ratio=$(awk -v a="$ours" -v b="$peer" 'BEGIN{printf "%.2f", a/b}')
echo "bench playback-decode ours=${ours} peer=${peer} unit=s ratio=${ratio} goal=<=1.5x-ffmpeg-null(ours-converts-to-rgb32)"
