#!/usr/bin/env bash
# An evidence bundle of ten 60 s 1080p recordings with 640x360 sub movies and data files (the
# demo card's generator, at a recorder's bit rate when it offers --recorder-bitrate, else its light
# clean picture; one encode copied under ten recording names; the bit rate goes to stderr), against
# the bytes a bundle must at least write: cat of the originals plus cat of the main and of the sub
# movies (the join's floor). The hashing line compares our SHA-256 throughput, taken from the
# command's own report (bytes per processor second of the hashing threads), with sha256sum over the
# same originals. The in-process line leaves out the tool's start (about 0.07 s of loading
# libraries). Each run's steps go to stderr. On a machine whose cores are busy with other work the
# bundle's second thread gains little, and the ratio tends towards the processor time of both.
# Usage: bench/bundle.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
. "$(dirname "$0")/common.sh"
cli="$build/tools/kivora-cli/kivora-cli"
work="$build/bench-data/bundle"
card="$work/card"
rate=()
if "$cli" democard --help 2>&1 | grep -q -- --recorder-bitrate; then rate=(--recorder-bitrate); fi
if [ ! -f "$work/ready${rate[0]:-}" ]; then
  rm -rf "$work" && mkdir -p "$card/Normal" "$card/_NData"
  "$cli" democard "$work/gen" --recordings 1 --days 1 --seconds 60 --main 1920x1080 --sub 640x360 --manifest none "${rate[@]}" >/dev/null
  main=$(find "$work/gen/Normal" -name '*M.MOV' -print -quit)
  sub=$(find "$work/gen/Normal" -name '*S.MOV' -print -quit)
  data=$(find "$work/gen/_NData" -name '*D.ADA' -print -quit)
  for i in $(seq 0 9); do
    stem="A___-230115-0800$(printf '%02d' $i)-$(printf '%06d' $((100 + i)))"
    cp "$main" "$card/Normal/${stem}M.MOV"
    cp "$sub" "$card/Normal/${stem}S.MOV"
    cp "$data" "$card/_NData/${stem}D.ADA"
  done
  rm -rf "$work/gen"
  touch "$work/ready${rate[0]:-}"
fi
mapfile -t mains < <(find "$card/Normal" -name '*M.MOV' | sort)
mapfile -t subs < <(find "$card/Normal" -name '*S.MOV' | sort)
mapfile -t originals < <(find "$card" -type f | sort)
out="$work/out" && rm -rf "$out" && mkdir -p "$out"
bytes=$(cat "${originals[@]}" | wc -c)
mbits=$(ffprobe -v error -show_entries format=bit_rate -of default=nw=1:nk=1 "${mains[0]}" | awk '{printf "%.1f", $1 / 1e6}')
echo "# bundle: ten 60 s 1080p recordings, main at ${mbits} Mbit/s, $((bytes / 1000000)) MB of originals" >&2

once() { # wall-clock seconds of one run, the output folder emptied first; its processor seconds in cpu
  rm -rf "${out:?}"/* "$out"/.[!.]* 2>/dev/null || true
  local t0 t1 TIMEFORMAT='%U %S'
  t0=$(date +%s.%N); { time "$@" >/dev/null 2>"$work/stderr"; } 2>"$work/cpu"; t1=$(date +%s.%N)
  echo "$t0 $t1" | awk '{print $2-$1}'
}
cpu() { awk '{print $1 + $2}' "$work/cpu"; }
lower() { awk -v a="$1" -v b="$2" 'BEGIN{print (a == "" || b < a) ? b : a}'; }
floor() {
  cat "$@" >"$out/originals.bin"
  cat "${mains[@]}" >"$out/main.bin"
  cat "${subs[@]}" >"$out/sub.bin"
}
# Ours and the floor take turns, best of five each, so that a change in the machine's load falls
# on each alike; which of the two goes first alternates, since each run meets the memory the other
# just freed (on a virtual machine, memory the guest handed back is slow to take again). Nothing
# else runs between them.
ours="" inside="" peer="" hash_rate="" sum_time="" ours_cpu="" peer_cpu=""
run_ours() {
  ours=$(lower "$ours" "$(once "$cli" bundle "$out" "${mains[@]}")")
  ours_cpu=$(lower "$ours_cpu" "$(cpu)")
  rate=$(sed -n 's/.* at \([0-9.]*\) MB\/s$/\1/p' "$work/stderr")
  inside=$(lower "$inside" "$(sed -n 's/.* built in \([0-9.]*\) s$/\1/p' "$work/stderr")")
  hash_rate=$(awk -v a="$hash_rate" -v b="$rate" 'BEGIN{print (a == "" || b > a) ? b : a}')
  # Where the run's time went: the steps overlap the hashing on the second core.
  echo "# bundle steps: $(sed -n 's/.* step \([a-z-]*\) \([0-9.]*\) s$/\1=\2/p' "$work/stderr" | tr '\n' ' ')" >&2
}
run_peer() {
  peer=$(lower "$peer" "$(once floor "${originals[@]}")")
  peer_cpu=$(lower "$peer_cpu" "$(cpu)")
}
for turn in 1 2 3 4 5; do
  if [ $((turn % 2)) = 1 ]; then run_ours; run_peer; else run_peer; run_ours; fi
done
for _ in 1 2 3; do
  sum_time=$(lower "$sum_time" "$(once sha256sum "${originals[@]}")")
done
rm -rf "$out"
sum_rate=$(awk -v b="$bytes" -v t="$sum_time" 'BEGIN{printf "%.0f", b/1e6/t}')
echo "bench bundle-vs-cat ours=${ours} peer=${peer} unit=s ratio=$(ratio "$ours" "$peer") goal=<=1.5"
echo "bench bundle-inprocess-vs-cat ours=${inside} peer=${peer} unit=s ratio=$(ratio "$inside" "$peer") goal=report(without-the-tool-start)"
# Processor time, which a machine whose cores are busy with other work turns into wall-clock time.
echo "bench bundle-cpu-vs-cat ours=${ours_cpu} peer=${peer_cpu} unit=s ratio=$(ratio "$ours_cpu" "$peer_cpu") goal=report(processor-time-of-all-threads)"
echo "bench bundle-hash ours=${hash_rate} peer=${sum_rate} unit=MB/s ratio=$(ratio "$hash_rate" "$sum_rate") goal=report(sha256sum-reading-the-same-files)"
