#!/usr/bin/env bash
# Decode-and-present throughput of a 60 s 1080p recording: the session decodes every picture and
# presents it to a shown 960 x 540 surface widget with nothing waiting on the clock; the widget
# converts and paints what the screen can show. Against ffmpeg decoding the same movie to nothing
# with two threads.
# Usage: bench/playback_decode.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
. "$(dirname "$0")/common.sh"
card=$(card_1080p "$build")
movie=$(find "$card" -name '*M.MOV' | head -1)

ours=$(for _ in 1 2 3; do "$build/bench/bench_playback_session" decode "$movie" 2>/dev/null; done |
  awk '$2 >= 1800 && (b == "" || $1 < b) {b = $1} END {print b}')
peer=$(best_of 3 ffmpeg -nostdin -v error -threads 2 -i "$movie" -f null -)
ratio=$(ratio "$ours" "$peer")
echo "bench playback-decode ours=${ours} peer=${peer} unit=s ratio=${ratio} goal=ratio<=1.25(at-least-0.8x-ffmpeg-fps;movie-$(movie_mbits "$movie")Mbit/s)"
