# Shared pieces of the benchmark drivers; sourced, not run.

# best_of N CMD...: the best wall-clock seconds of N runs of a command (output discarded).
best_of() {
  local n=$1 b="" t0 t1
  shift
  for _ in $(seq "$n"); do
    t0=$(date +%s.%N); "$@" >/dev/null 2>&1; t1=$(date +%s.%N)
    b=$(echo "$t0 $t1 $b" | awk '{t=$2-$1; if ($3=="" || t<$3) print t; else print $3}')
  done
  echo "$b"
}

# democard_once BUILD_DIR NAME DEMOCARD_OPTIONS...: a generated card, made once and kept under
# bench-data/NAME (the mark of completion lies beside it, not in it); prints its folder.
democard_once() {
  local build=$1 work="$1/bench-data/$2"
  shift 2
  if [ ! -f "$work/ready" ]; then
    rm -rf "$work" && mkdir -p "$work"
    "$build/tools/kivora-cli/kivora-cli" democard "$work/card" --manifest none "$@" >/dev/null
    touch "$work/ready"
  fi
  echo "$work/card"
}

# movie_mbits MOVIE: the movie's overall bit rate in Mbit/s, one decimal (as ffprobe reports it).
movie_mbits() {
  ffprobe -v error -show_entries format=bit_rate -of default=nw=1:nk=1 "$1" | awk '{printf "%.1f", $1 / 1e6}'
}

# card_1080p BUILD_DIR: a generated card with one 60 s 1080p recording at a recorder's bit rate
# (grain, about 12 Mbit/s, key frame every second, no B-frames); prints its folder. Playback
# measured on the light clean picture (about 0.5 Mbit/s) would time a workload twenty times lighter
# than a user's. The bit rate goes to stderr, so that every driver's output names it.
card_1080p() {
  local card
  card=$(democard_once "$1" card-1080p-recorder --recordings 1 --days 1 --seconds 60 --main 1920x1080 --no-sub \
    --recorder-bitrate)
  echo "# $(basename "$0" .sh): 60 s 1080p at $(movie_mbits "$(find "$card" -name '*M.MOV' -print -quit)") Mbit/s" >&2
  echo "$card"
}

# ratio A B: A / B with two decimals.
ratio() { awk -v a="$1" -v b="$2" 'BEGIN{printf "%.2f", a/b}'; }

# once_in DIR CMD...: wall-clock seconds of one run of a command (output discarded), DIR emptied first.
once_in() {
  local dir=$1 t0 t1
  shift
  rm -f "$dir"/*
  t0=$(date +%s.%N); "$@" >/dev/null 2>&1; t1=$(date +%s.%N)
  echo "$t0 $t1" | awk '{print $2-$1}'
}

# lower A B: the smaller of two numbers, B when A is empty.
lower() { awk -v a="$1" -v b="$2" 'BEGIN{print (a == "" || b < a) ? b : a}'; }

# card_1080p_720p BUILD_DIR: a generated card with one 25 s recording of a 1080p main and a 720p sub
# camera at a recorder's bit rate; prints its folder.
card_1080p_720p() {
  democard_once "$1" card-1080p-720p-recorder --recordings 1 --days 1 --seconds 25 --main 1920x1080 \
    --sub 1280x720 --recorder-bitrate
}
