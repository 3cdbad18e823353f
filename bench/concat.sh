#!/usr/bin/env bash
# Joining ten 60 s 1080p recordings: our concatenation against a plain copy of the same bytes
# (cat, the floor) and against ffmpeg's stream-copy concatenation. Ours is kivora-cli's concat run
# by bench_recording_commands, which loads only the recording library, as the join runs inside the
# viewer; the full tool's start would otherwise outweigh the join of these small files. Each is a
# whole process, timed from outside. Usage: bench/concat.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
. "$(dirname "$0")/common.sh"
cli="$build/tools/kivora-cli/kivora-cli"
work="$build/bench-data/concat"
src="$work/src"
if [ ! -f "$src/ready" ]; then
  rm -rf "$work" && mkdir -p "$src"
  "$cli" democard "$work/card" --recordings 1 --days 1 --seconds 60 --main 1920x1080 --no-sub --manifest none >/dev/null
  movie=$(find "$work/card/Normal" -name '*M.MOV' -print -quit)
  data=$(find "$work/card/_NData" -name '*D.ADA' -print -quit)
  # Ten parts under consecutive recording names; one encode is enough for timing a copy.
  for i in $(seq 0 9); do
    n=$(printf '%06d' $((100 + i)))
    cp "$movie" "$src/A___-230115-0800$(printf '%02d' $i)-${n}M.MOV"
    cp "$data" "$src/A___-230115-0800$(printf '%02d' $i)-${n}D.ADA"
  done
  touch "$src/ready"
fi
mapfile -t parts < <(find "$src" -name '*M.MOV' | sort)
out="$work/out" && rm -rf "$out" && mkdir -p "$out"
printf "file '%s'\n" "${parts[@]}" > "$work/list.txt"

best() { # best of three wall-clock seconds of a command
  local b=""
  for _ in 1 2 3; do
    rm -f "$out"/*
    local t0 t1
    t0=$(date +%s.%N); "$@" >/dev/null 2>&1; t1=$(date +%s.%N)
    b=$(echo "$t0 $t1 $b" | awk '{t=$2-$1; if ($3=="" || t<$3) print t; else print $3}')
  done
  echo "$b"
}
ours=$(best "$build/bench/bench_recording_commands" concat "$out/A___-230115-090000-000900M.MOV" "${parts[@]}")
tool=$(best "$cli" concat "$out/A___-230115-090000-000900M.MOV" "${parts[@]}")
cat_time=$(best sh -c 'cat "$@" > "$0"' "$out/cat.bin" "${parts[@]}")
# The same copy made durable, as ours is (its files are flushed before they are renamed into place).
cat_sync_time=$(best sh -c 'cat "$@" > "$0" && sync "$0"' "$out/cat.bin" "${parts[@]}")
ffmpeg_time=$(best ffmpeg -nostdin -v error -f concat -safe 0 -i "$work/list.txt" -c copy "$out/ffmpeg.mov")
echo "bench concat-vs-cat ours=${ours} peer=${cat_time} unit=s ratio=$(ratio "$ours" "$cat_time") goal=<=1.25"
echo "bench concat-vs-cat-sync ours=${ours} peer=${cat_sync_time} unit=s ratio=$(ratio "$ours" "$cat_sync_time") goal=report(durable-copy-floor)"
echo "bench concat-cli-vs-cat ours=${tool} peer=${cat_time} unit=s ratio=$(ratio "$tool" "$cat_time") goal=report(with-the-tool-start)"
echo "bench concat-vs-ffmpeg ours=${ours} peer=${ffmpeg_time} unit=s ratio=$(ratio "$ours" "$ffmpeg_time") goal=<1"
