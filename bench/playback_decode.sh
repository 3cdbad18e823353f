#!/usr/bin/env bash
# Decode-and-present throughput of a 60 s 1080p recording: our decode plus mixing into the
# presenter's 32-bit surface, against ffmpeg decoding the same movie to nothing with two threads.
# Usage: bench/playback_decode.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
ours_bin="$build/bench/bench_playback_decode"
. "$(dirname "$0")/common.sh"
card=$(card_1080p "$build")
movie=$(find "$card" -name '*M.MOV' | head -1)

ours=$(best_of 3 "$ours_bin" "$movie")
peer=$(best_of 3 ffmpeg -nostdin -v error -threads 2 -i "$movie" -f null -)
ratio=$(ratio "$ours" "$peer")
echo "bench playback-decode ours=${ours} peer=${peer} unit=s ratio=${ratio} goal=ratio<=1.25(at-least-0.8x-ffmpeg-fps;ours-also-converts-to-rgb32)"
