#!/usr/bin/env bash
# x1 playback of a 1080p main and 720p sub camera recording with the rear camera's picture-in-picture
# shown (the sub camera drawn into a quarter-width surface) against the same playback with it hidden,
# in the same run: processor time per second of video for both, and the frames dropped with it on.
# Usage: bench/playback_pip.sh BUILD_DIR   (PIP_SECONDS sets the wall time of each run, default 20)
set -euo pipefail
build=$(cd "$1" && pwd)
. "$(dirname "$0")/common.sh"
card=$(card_1080p_720p "$build")
movie=$(find "$card" -name '*M.MOV' | head -1)
sub=$(find "$card" -name '*S.MOV' | head -1)
seconds=${PIP_SECONDS:-20}

read -r off_dropped _ off_cpu off_video _ < <("$build/bench/bench_playback_session" pip "$movie" "$seconds" 0 2>/dev/null)
read -r dropped due cpu video sub_shown < <("$build/bench/bench_playback_session" pip "$movie" "$seconds" 1 2>/dev/null)
ours=$(awk -v c="$cpu" -v v="$video" 'BEGIN{printf "%.3f", c/v}')
peer=$(awk -v c="$off_cpu" -v v="$off_video" 'BEGIN{printf "%.3f", c/v}')
echo "bench playback-x1-pip ours=${ours} peer=${peer} unit=core-s-per-video-s ratio=$(ratio "$ours" "$peer") goal=dropped=0(pip-on-dropped=${dropped}/${due};pip-off-dropped=${off_dropped};sub-pictures-shown=${sub_shown};peer-is-the-same-playback-with-the-pip-hidden;main-$(movie_mbits "$movie")Mbit/s;sub-$(movie_mbits "$sub")Mbit/s)"
