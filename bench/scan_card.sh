#!/usr/bin/env bash
# Scanning a card of 3 000 short recordings (tree, groups and every group's list, as kivora-cli
# scan prints them) against listing the same files with their sizes (find -printf). The scan runs
# in bench_recording_commands, which loads only the recording library (the full tool's start is
# reported on its own line). Usage: bench/scan_card.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
. "$(dirname "$0")/common.sh"
cli="$build/tools/kivora-cli/kivora-cli"
card=$(democard_once "$build" scan-card --tiny 3000 --days 5)
# Runs of a tenth of a second: five each keep a burst of load on a shared machine from deciding the
# ratio.
ours=$(best_of 5 "$build/bench/bench_recording_commands" scan "$card")
peer=$(best_of 5 find "$card" -printf '%s\n')
tool=$(best_of 3 "$cli" scan "$card")
echo "bench scan-card-3000 ours=${ours} peer=${peer} unit=s ratio=$(ratio "$ours" "$peer") goal=<=3"
echo "bench scan-card-3000-cli ours=${tool} peer=${peer} unit=s ratio=$(ratio "$tool" "$peer") goal=report(with-the-tool-start)"
