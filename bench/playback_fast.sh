#!/usr/bin/env bash
# x4 playback of a 60 s 1080p recording for 10 s: the largest distance of the presentation clock
# from four times the wall clock, per second of video, against one frame period; and the pictures
# shown per wall second against the key frames alone at x4 (the floor: what thinning to key frames
# shows), with every picture (four times the frame rate) as the goal when the decoder keeps up.
# Usage: bench/playback_fast.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
. "$(dirname "$0")/common.sh"
card=$(card_1080p "$build")
movie=$(find "$card" -name '*M.MOV' | head -1)

read -r error period shown keyonly < <("$build/bench/bench_playback_session" fast "$movie" 10 2>/dev/null)
due=$(awk -v p="$period" 'BEGIN{printf "%.0f", 4000 / p}')
echo "bench playback-x4-clock ours=${error} peer=${period} unit=ms-per-video-s ratio=$(ratio "$error" "$period") goal=ratio<=1"
echo "bench playback-x4-pictures ours=${shown} peer=${keyonly} unit=pictures-per-wall-s ratio=$(ratio "$shown" "$keyonly") goal=ours>=0.9*${due}(every-picture;peer-is-key-frames-only)"
