#!/usr/bin/env bash
# x4 playback of a 60 s 1080p recording for 10 s: the largest distance of the presentation clock
# from four times the wall clock, per second of video, against one frame period.
# Usage: bench/playback_fast.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
. "$(dirname "$0")/common.sh"
card=$(card_1080p "$build")
movie=$(find "$card" -name '*M.MOV' | head -1)

read -r error period < <("$build/bench/bench_playback_session" fast "$movie" 10 2>/dev/null)
echo "bench playback-x4-clock ours=${error} peer=${period} unit=ms-per-video-s ratio=$(ratio "$error" "$period") goal=ratio<=1"
