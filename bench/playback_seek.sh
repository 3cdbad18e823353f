#!/usr/bin/env bash
# Frame-exact seek latency on a 60 s 1080p recording: 200 random frames, each timed from SeekAndHold
# until the surface shows that frame, against the floor of decoding the same frames from the key
# frame before each (FFmpeg's decoder alone, same settings, same targets).
# Usage: bench/playback_seek.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
. "$(dirname "$0")/common.sh"
card=$(card_1080p "$build")
movie=$(find "$card" -name '*M.MOV' | head -1)

read -r median p95 floor_median floor_p95 < <("$build/bench/bench_playback_session" seek "$movie" 200 2>/dev/null)
echo "bench playback-seek-median ours=${median} peer=${floor_median} unit=ms ratio=$(ratio "$median" "$floor_median") goal=ratio<=1.5(movie-$(movie_mbits "$movie")Mbit/s)"
echo "bench playback-seek-p95 ours=${p95} peer=${floor_p95} unit=ms ratio=$(ratio "$p95" "$floor_p95") goal=report(movie-$(movie_mbits "$movie")Mbit/s)"
