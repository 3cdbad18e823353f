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

# card_1080p BUILD_DIR: a generated card with one 60 s 1080p recording; prints its folder.
card_1080p() {
  democard_once "$1" card-1080p --recordings 1 --days 1 --seconds 60 --main 1920x1080 --no-sub
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
