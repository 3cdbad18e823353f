#!/usr/bin/env bash
# Runs one libFuzzer target for a number of seconds on its seed corpus.
# Usage: scripts/fuzz.sh TARGET SECONDS
set -euo pipefail
cd "$(dirname "$0")/.."
target=${1:?target}
seconds=${2:-60}
./scripts/build.sh fuzz "$target"
corpus=build/fuzz/corpus/$target
mkdir -p "$corpus"
if [ -x "fuzz/seed-$target.sh" ]; then bash "fuzz/seed-$target.sh" "$corpus"; fi
exec "build/fuzz/fuzz/$target" -max_total_time="$seconds" -print_final_stats=1 "$corpus"
