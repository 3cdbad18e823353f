#!/usr/bin/env bash
# Joining ten 60 s 1080p recordings at a recorder's bit rate: our concatenation against a plain copy of the same bytes
# (cat, the floor) and against ffmpeg's stream-copy concatenation. Ours is kivora-cli's concat run
# by bench_recording_commands, which loads only the recording library, as the join runs inside the
# viewer; the full tool's start would otherwise outweigh the join of these small files. Each is a
# whole process, timed from outside. A join into a new file on a local fixed disk is not flushed
# to the disk (as cat is not); one that replaces a file, or writes to a card, USB, network or
# user-space drive, is flushed before its rename: the replace line times that path against cat
# followed by sync. Usage: bench/concat.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
. "$(dirname "$0")/common.sh"
cli="$build/tools/kivora-cli/kivora-cli"
work="$build/bench-data/concat-recorder"
src="$work/src"
if [ ! -f "$src/ready" ]; then
  rm -rf "$work" && mkdir -p "$src"
  "$cli" democard "$work/card" --recordings 1 --days 1 --seconds 60 --main 1920x1080 --no-sub --manifest none \
    --recorder-bitrate >/dev/null
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
mbits=$(movie_mbits "${parts[0]}")
out="$work/out" && rm -rf "$out" && mkdir -p "$out"
printf "file '%s'\n" "${parts[@]}" > "$work/list.txt"

once() { once_in "$out" "$@"; } # the output folder emptied first
best() { # best of three runs of a command
  local b=""
  for _ in 1 2 3; do b=$(lower "$b" "$(once "$@")"); done
  echo "$b"
}
join=("$build/bench/bench_recording_commands" concat "$out/A___-230115-090000-000900M.MOV" "${parts[@]}")
# Ours and its floors take turns, best of five each, so that a change in the machine's load falls on
# each alike. The flushing path is timed on an output that exists already and is replaced; the
# durable floor is the same copy by cat followed by sync.
ours="" ours_replace="" cat_time="" cat_sync_time=""
for _ in 1 2 3 4 5; do
  ours=$(lower "$ours" "$(once "${join[@]}")")
  cat_time=$(lower "$cat_time" "$(once sh -c 'cat "$@" > "$0"' "$out/cat.bin" "${parts[@]}")")
  ours_replace=$(lower "$ours_replace" "$(once sh -c ': > "$0" && exec "$@"' "${join[2]}" "${join[@]}")")
  cat_sync_time=$(lower "$cat_sync_time" "$(once sh -c 'cat "$@" > "$0" && sync "$0"' "$out/cat.bin" "${parts[@]}")")
done
# Across file systems, as from a card to the disk: into a memory file system when there is one.
other=""
if [ -d /dev/shm ] && [ "$(stat -c %d /dev/shm)" != "$(stat -c %d "$out")" ]; then
  other=$(mktemp -d /dev/shm/kivora-bench-concat.XXXXXX)
  trap 'rm -rf "$other"' EXIT
  ours_other="" cat_other=""
  for _ in 1 2 3 4 5; do
    rm -f "$other"/*
    ours_other=$(lower "$ours_other" "$(once "${join[0]}" concat "$other/A___-230115-090000-000900M.MOV" "${parts[@]}")")
    rm -f "$other"/*
    cat_other=$(lower "$cat_other" "$(once sh -c 'cat "$@" > "$0"' "$other/cat.bin" "${parts[@]}")")
  done
  rm -f "$other"/*
fi
tool=$(best "$cli" concat "$out/A___-230115-090000-000900M.MOV" "${parts[@]}")
ffmpeg_time=$(best ffmpeg -nostdin -v error -f concat -safe 0 -i "$work/list.txt" -c copy "$out/ffmpeg.mov")
echo "bench concat-vs-cat ours=${ours} peer=${cat_time} unit=s ratio=$(ratio "$ours" "$cat_time") goal=<=1.25(parts-${mbits}Mbit/s)"
echo "bench concat-vs-cat-sync ours=${ours} peer=${cat_sync_time} unit=s ratio=$(ratio "$ours" "$cat_sync_time") goal=report(durable-copy-floor;ours-new-file-unflushed;parts-${mbits}Mbit/s)"
echo "bench concat-replace-vs-cat-sync ours=${ours_replace} peer=${cat_sync_time} unit=s ratio=$(ratio "$ours_replace" "$cat_sync_time") goal=report(flushed-join-vs-durable-floor;parts-${mbits}Mbit/s)"
if [ -n "$other" ]; then
  echo "bench concat-other-fs-vs-cat ours=${ours_other} peer=${cat_other} unit=s ratio=$(ratio "$ours_other" "$cat_other") goal=report(across-file-systems;parts-${mbits}Mbit/s)"
fi
echo "bench concat-cli-vs-cat ours=${tool} peer=${cat_time} unit=s ratio=$(ratio "$tool" "$cat_time") goal=report(with-the-tool-start;parts-${mbits}Mbit/s)"
echo "bench concat-vs-ffmpeg ours=${ours} peer=${ffmpeg_time} unit=s ratio=$(ratio "$ours" "$ffmpeg_time") goal=<1(parts-${mbits}Mbit/s)"
