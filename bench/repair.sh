#!/usr/bin/env bash
# Repairing a 1080p recording at a recorder's bit rate (~12 Mbit/s, H.264 without B-frames, AAC
# mono 16 kHz) cut at nine tenths, with a short healthy movie of the same settings as template,
# against a plain copy of the cut file (cat, the floor): a one-minute and a three-minute recording,
# the lengths recorders write. The recordings are encoded by ffmpeg from test patterns, so the
# repair also meets another muxer's files. Ours is kivora-cli's repair run by bench_repair_command,
# which loads only the recording library and FFmpeg's codecs, timed from outside as a whole
# process; the repair's own time inside it is what the viewer, which has FFmpeg loaded already,
# spends. The process start (loading FFmpeg and the hundred libraries it pulls in) is a fixed cost
# that weighs most on the shorter recording. Usage: bench/repair.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
. "$(dirname "$0")/common.sh"
repair="$build/bench/bench_repair_command"
work="$build/bench-data/repair"
encode() { # SECONDS OUTPUT
  ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=1920x1080:rate=30 \
    -f lavfi -i sine=frequency=440:sample_rate=16000 -t "$1" \
    -c:v libx264 -preset ultrafast -profile:v baseline -bf 0 -g 30 -pix_fmt yuv420p \
    -b:v 12M -maxrate 12M -bufsize 12M -c:a aac -ac 1 -b:a 64k -f mov "$2"
}
if [ ! -f "$work/ready3" ]; then
  rm -rf "$work" && mkdir -p "$work/card"
  encode 3 "$work/card/healthy.mov"
  for minutes in 1 3; do
    encode $((minutes * 60)) "$work/whole.mov"
    size=$(stat -c %s "$work/whole.mov")
    head -c $((size * 9 / 10)) "$work/whole.mov" > "$work/card/broken${minutes}.mov"
    rm "$work/whole.mov"
  done
  touch "$work/ready3"
fi
out="$work/out" && rm -rf "$out" && mkdir -p "$out"
once() { # wall-clock seconds of one run, the output folder emptied first; its processor seconds in cpu
  rm -f "$out"/*
  local t0 t1 TIMEFORMAT='%U %S'
  t0=$(date +%s.%N); { time "$@" >/dev/null 2>&1; } 2>"$work/cpu"; t1=$(date +%s.%N)
  echo "$t0 $t1" | awk '{print $2-$1}'
}
cpu() { awk '{print $1 + $2}' "$work/cpu"; }
export BENCH_SECONDS_FILE="$work/inside"
measure() { # SUFFIX BROKEN: the lines of one recording
  local broken=$2 ours="" cat_time="" start="" ours_cpu="" cat_cpu="" inside=""
  "$repair" "$broken" --template "$work/card/healthy.mov" "$out/repaired.mov" >/dev/null 2>&1 \
    || { echo "bench repair$1-vs-cat: the repair failed" >&2; exit 1; }
  echo "# repair$1: $(($(stat -c %s "$broken") / 1000000)) MB cut movie" >&2
  # Ours and the floor take turns, best of five each, so that a change in the machine's load falls
  # on each alike. The start alone: the command without arguments.
  for _ in 1 2 3 4 5; do
    ours=$(lower "$ours" "$(once "$repair" "$broken" --template "$work/card/healthy.mov" "$out/repaired.mov")")
    inside=$(lower "$inside" "$(cat "$work/inside")")
    ours_cpu=$(lower "$ours_cpu" "$(cpu)")
    cat_time=$(lower "$cat_time" "$(once sh -c 'cat "$1" > "$0"' "$out/cat.bin" "$broken")")
    cat_cpu=$(lower "$cat_cpu" "$(cpu)")
    start=$(lower "$start" "$(once "$repair")")
  done
  echo "bench repair$1-vs-cat ours=${ours} peer=${cat_time} unit=s ratio=$(ratio "$ours" "$cat_time") goal=<=2"
  echo "bench repair$1-inprocess-vs-cat ours=${inside} peer=${cat_time} unit=s ratio=$(ratio "$inside" "$cat_time") goal=report(without-the-tool-start;as-in-the-viewer)"
  # Processor time, which a machine whose cores are busy with other work turns into wall-clock time.
  echo "bench repair$1-cpu-vs-cat ours=${ours_cpu} peer=${cat_cpu} unit=s ratio=$(ratio "$ours_cpu" "$cat_cpu") goal=report(processor-time-of-all-threads)"
  echo "bench repair$1-start ours=${start} peer=${cat_time} unit=s ratio=$(ratio "$start" "$cat_time") goal=report(process-start-against-the-whole-cat)"
}
measure "" "$work/card/broken1.mov"
measure "-3min" "$work/card/broken3.mov"
rm -rf "$out"
