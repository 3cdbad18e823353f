#!/usr/bin/env bash
# Seeds for fuzz_merge: pairs of the movie reader's seeds, each input "4-byte big-endian length of
# the first movie, first movie, second movie".
# Usage: fuzz/seed-fuzz_merge.sh CORPUS_DIR   (KIVORA_CLI=path as for seed-fuzz_movie_atoms.sh)
set -euo pipefail
out=${1:?corpus folder}
mkdir -p "$out"
here=$(cd "$(dirname "$0")" && pwd)
movies=$(mktemp -d)
trap 'rm -rf "$movies"' EXIT
bash "$here/seed-fuzz_movie_atoms.sh" "$movies" >/dev/null
pair() { # NAME FIRST SECOND
  perl -e 'my $n = -s $ARGV[0]; print pack("N", $n)' "$2" >"$out/$1"
  cat "$2" "$3" >>"$out/$1"
}
pair hand-same "$movies/hand-movie.MOV" "$movies/hand-movie.MOV"
pair hand-other-rate "$movies/hand-movie.MOV" "$movies/hand-15fps-1.8s.MOV"
pair hand-audio-first "$movies/hand-movie.MOV" "$movies/hand-audio-first.MOV"
pair hand-cut-second "$movies/hand-movie.MOV" "$movies/hand-cut.MOV"
pair hand-no-mvhd "$movies/hand-no-mvhd.MOV" "$movies/hand-movie.MOV"
if [ -f "$movies/card-1.MOV" ]; then
  pair card-same "$movies/card-1.MOV" "$movies/card-1.MOV"
  [ -f "$movies/card-2.MOV" ] && pair card-two "$movies/card-1.MOV" "$movies/card-2.MOV"
fi
exit 0
