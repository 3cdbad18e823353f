#!/usr/bin/env bash
# Seeds for fuzz_name: recording names of every trigger and camera, odd and cut names.
# Usage: fuzz/seed-fuzz_name.sh CORPUS_DIR
set -euo pipefail
out=${1:?corpus folder}
mkdir -p "$out"
n=0
for name in A___-230115-080000-000001M.MOV AG__-230115-083000-000042S.MOV A_M_-231231-235959-999999D.ADA \
  T__S-230115-080833-000366M.MOV P___-230229-250000-000001M.MOV AP_S-230115-080000-000001M.DMY \
  A__S-230115-080833-000366D.TDA card/Normal/A___-230115-080000-000001M.MOV \
  card/Video/Main/A___-230115-080000-000001M.mov A___-230115-0800 .A___-230115-080000-000001M.MOV \
  A___-991301-000000-000000M.MOV 'A___-230115-080000-00000١M.MOV' movie.mp4 ''; do
  n=$((n + 1))
  printf '%s' "$name" >"$out/hand-$n"
done
