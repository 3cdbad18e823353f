#!/usr/bin/env bash
# OpenMovieTree of a 60 s 1080p movie and DecodeAll of its data file, each next to the raw read of
# the same file from the page cache (`cat FILE > /dev/null`) as the floor.
# Usage: bench/movie_atoms.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
. "$(dirname "$0")/common.sh"
card=$(card_1080p "$build")
movie=$(find "$card" -name '*M.MOV' | head -1)
data=$(find "$card" -name '*.ADA' | head -1)
repeat=200

read -r _ tree < <("$build/bench/bench_movie_atoms" "$movie" "$data" "$repeat" | grep '^tree')
read -r _ decode < <("$build/bench/bench_movie_atoms" "$movie" "$data" "$repeat" | grep '^decode')
cat_mean() { # mean seconds of one cat of FILE over REPEAT runs
  local t0 t1
  t0=$(date +%s.%N)
  for _ in $(seq "$repeat"); do cat "$1" >/dev/null; done
  t1=$(date +%s.%N)
  awk -v a="$t0" -v b="$t1" -v n="$repeat" 'BEGIN{printf "%.9f", (b-a)/n}'
}
cat "$movie" "$data" >/dev/null
movie_floor=$(cat_mean "$movie")
data_floor=$(cat_mean "$data")
echo "bench movie-tree ours=${tree} peer=${movie_floor} unit=s ratio=$(ratio "$tree" "$movie_floor") goal=below-1(reads-atoms-not-the-whole-file)"
echo "bench telemetry-decode ours=${decode} peer=${data_floor} unit=s ratio=$(ratio "$decode" "$data_floor") goal=report(floor-is-cat-of-the-data-file)"
