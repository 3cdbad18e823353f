#!/usr/bin/env bash
# The map during x1 playback of a generated recording with GPS for 20 s: processor time per second
# of video of the map window (this process and the web engine's processes, the marker following
# every 30 ms clock step) against the same clock without a map; and the memory the web engine's
# processes take (PSS) against our own process.
# Usage: bench/map_x1_cpu.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
. "$(dirname "$0")/common.sh"
card=$(democard_once "$build" card-map --recordings 1 --days 1 --seconds 30 --main 640x360 --no-sub)
movie=$(find "$card" -name '*M.MOV' | head -1)
seconds=20

read -r cpu video pss rss < <("$build/bench/bench_map_cpu" "$movie" "$seconds" map 2>/dev/null)
read -r peer_cpu peer_video _ _ < <("$build/bench/bench_map_cpu" "$movie" "$seconds" off 2>/dev/null)
ours=$(awk -v c="$cpu" -v v="$video" 'BEGIN{printf "%.3f", c/v}')
peer=$(awk -v c="$peer_cpu" -v v="$peer_video" 'BEGIN{printf "%.3f", c/v}')
echo "bench map-x1-cpu ours=${ours} peer=${peer} unit=core-s-per-video-s ratio=$(ratio "$ours" "$peer") goal=ours-peer<=0.1(peer-is-the-clock-without-map)"
echo "bench map-memory ours=$((pss / 1024)) peer=$((rss / 1024)) unit=MiB ratio=$(ratio "$pss" "$rss") goal=report(web-engine-PSS-against-own-RSS)"
