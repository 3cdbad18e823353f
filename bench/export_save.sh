#!/usr/bin/env bash
# Saving ten realistic recordings (1080p at a recorder's bit rate, both cameras) through the save
# command's worker against cat of the same bytes into one file, in the same run; also the longest
# wait between progress posts and how soon a cancel is honoured, with no file and no descriptor
# left. The ten are one generated 60 s recording under ten names.
# Usage: bench/export_save.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
. "$(dirname "$0")/common.sh"
work="$build/bench-data/export-save"
src="$work/src"
kind=recorder-1080p
card=$(democard_once "$build" card-1080p-recorder-sub --recordings 1 --days 1 --seconds 60 --main 1920x1080 \
  --recorder-bitrate)
mkdir -p "$work"
if [ ! -f "$work/ready-$kind" ]; then
  rm -rf "$src" && mkdir -p "$src"
  mapfile -t mains < <(find "$card" -name '*M.MOV' | sort)
  for i in $(seq 0 9); do
    m=${mains[$((i % ${#mains[@]}))]}
    base=$(basename "$m")
    name="A___-230115-0800$(printf '%02d' $i)-$(printf '%06d' $((100 + i)))"
    cp "$m" "$src/${name}M.MOV"
    sub="$(dirname "$m")/${base:0:25}S${base:26}"
    [ -f "$sub" ] && cp "$sub" "$src/${name}S.MOV"
    data=$(find "$card" -name "${base:0:25}D.ADA" -print -quit)
    [ -n "$data" ] && cp "$data" "$src/${name}D.ADA"
  done
  rm -f "$work"/ready-* && touch "$work/ready-$kind"
fi
mapfile -t parts < <(find "$src" -name '*M.MOV' | sort)
mapfile -t all < <(find "$src" -type f | sort)
out="$work/out" && rm -rf "$out" && mkdir -p "$out"
catout="$work/cat" && rm -rf "$catout" && mkdir -p "$catout"

first=$(find "$card" -name '*M.MOV' -print -quit)
echo "# export_save: 10 x 60 s 1080p at $(movie_mbits "$first") Mbit/s (sub camera $(movie_mbits "${first%M.MOV}S.MOV") Mbit/s)"
ours="" peer="" gap="" cancel="" left=0 fds=0
for _ in 1 2 3; do
  line=$("$build/bench/bench_export_save" "$out" "${parts[@]}")
  s=$(echo "$line" | sed 's/.*seconds=\([^ ]*\).*/\1/')
  ours=$(lower "$ours" "$s")
  g=$(echo "$line" | sed 's/.*maxgap_ms=\([^ ]*\).*/\1/')
  gap=$(awk -v a="$gap" -v b="$g" 'BEGIN{print (a == "" || b > a) ? b : a}')
  c=$(echo "$line" | sed 's/.*cancel_ms=\([^ ]*\).*/\1/')
  cancel=$(awk -v a="$cancel" -v b="$c" 'BEGIN{print (a == "" || b > a) ? b : a}')
  l=$(echo "$line" | sed 's/.*leftover=\([^ ]*\).*/\1/')
  left=$((left + l))
  f=$(echo "$line" | sed 's/.*fds_left=\([^ ]*\).*/\1/')
  fds=$((fds + f))
  rm -f "$catout"/* && sync
  t0=$(date +%s.%N); cat "${all[@]}" > "$catout/cat.bin"; t1=$(date +%s.%N)
  peer=$(lower "$peer" "$(echo "$t0 $t1" | awk '{print $2-$1}')")
done
bytes=$(du -cb "${all[@]}" | tail -1 | cut -f1)
echo "bench export-save-vs-cat ours=${ours} peer=${peer} unit=s ratio=$(ratio "$ours" "$peer") goal=<=1.25 recordings=${kind} bytes=${bytes}"
echo "bench export-save-progress-gap ours=${gap} peer=250 unit=ms ratio=$(ratio "$gap" 250) goal=<=1"
echo "bench export-save-cancel ours=${cancel} peer=200 unit=ms ratio=$(ratio "$cancel" 200) goal=<=1(files-left=${left},descriptors-left=${fds})"
