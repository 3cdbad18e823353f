#!/usr/bin/env bash
# Real-time x1 playback of a recording with a 1080p main and a 720p sub camera for 20 s through the
# camera pair: frames dropped on the main surface, and processor time per second of video against
# ffmpeg decoding both movies in real time (-re) for the same 20 s.
# Usage: bench/playback_realtime.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
. "$(dirname "$0")/common.sh"
card=$(card_1080p_720p "$build")
movie=$(find "$card" -name '*M.MOV' | head -1)
sub=$(find "$card" -name '*S.MOV' | head -1)
seconds=20

read -r dropped due cpu video < <("$build/bench/bench_playback_session" realtime "$movie" "$seconds" 2>/dev/null)
ours=$(awk -v c="$cpu" -v v="$video" 'BEGIN{printf "%.3f", c/v}')
peer_cpu=$( { /usr/bin/time -f '%U %S' ffmpeg -nostdin -v error -re -threads 2 -t "$seconds" -i "$movie" \
  -re -threads 2 -t "$seconds" -i "$sub" -map 0:v -map 1:v -f null - ; } 2>&1 | tail -1 | awk '{print $1 + $2}')
peer=$(awk -v c="$peer_cpu" -v v="$seconds" 'BEGIN{printf "%.3f", c/v}')
echo "bench playback-x1-cpu ours=${ours} peer=${peer} unit=core-s-per-video-s ratio=$(ratio "$ours" "$peer") goal=ours<=0.5(peer-decodes-both-movies-at-re;main-$(movie_mbits "$movie")Mbit/s;sub-$(movie_mbits "$sub")Mbit/s)"
echo "bench playback-x1-dropped ours=${dropped} peer=${due} unit=frames ratio=$(ratio "$dropped" "$due") goal=ours=0(peer-is-frames-due;main-$(movie_mbits "$movie")Mbit/s;sub-$(movie_mbits "$sub")Mbit/s)"
