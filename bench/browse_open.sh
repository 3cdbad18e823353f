#!/usr/bin/env bash
# Opening a card of 3 000 recordings in the browser panel, from OK to a filled tree and list,
# against the library's scans of the same card alone (the root, the recorder identification, the
# first folder and its first group), both timed in one process by bench_browse_open; the UI
# thread's longest event meanwhile; and, for reference, the root's scan alone. Usage: bench/browse_open.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
. "$(dirname "$0")/common.sh"
card=$(democard_once "$build" scan-card --tiny 3000 --days 5)
read -r ours peer longest rows nodes root < <(QT_QPA_PLATFORM=offscreen "$build/bench/bench_browse_open" "$card")
echo "bench browse-open-3000 ours=${ours} peer=${peer} unit=s ratio=$(ratio "$ours" "$peer") goal=<=2 rows=${rows} nodes=${nodes}"
echo "bench browse-open-3000-longest-event ours=${longest} peer=50 unit=ms ratio=$(ratio "$longest" 50) goal=<1"
echo "bench browse-open-3000-vs-root-scan ours=${ours} peer=${root} unit=s ratio=$(ratio "$ours" "$root") goal=report"
