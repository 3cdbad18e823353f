#!/usr/bin/env bash
# The whole program playing a generated 1080p recording with GPS at x1 under xvfb, once with the map
# window shown (key M, tiles from a local server) and once with the map off: processor time per second
# of video of the program and every process it started (the web engine's), measured over 20 s of
# playback once the map has settled; and the memory (PSS) the web engine's processes take against
# the program's own.
# Usage: bench/map_x1_cpu.sh BUILD_DIR
# KIVORA_MAP_SHOT=file.png keeps a picture of the screen at the end of a map run;
# KIVORA_MAP_BENCH_ROUNDS=N runs each kind N times (2).
set -euo pipefail
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
. "$here/common.sh"
settle=8 # seconds from the start of playback: the page loaded, its first tiles drawn
seconds=20
# Runs of each kind, alternating; the lowest figure of each kind counts, as other work on the
# machine only ever adds to it.
rounds=${KIVORA_MAP_BENCH_ROUNDS:-2}

# tree_ticks PID: utime + stime of PID and all its descendants, and of the descendants alone (the
# web engine's processes), in clock ticks.
tree_ticks() {
  local root=$1 line pid rest
  local -a f
  for stat in /proc/[0-9]*/stat; do
    read -r line 2>/dev/null <"$stat" || continue
    pid=${line%% *}
    rest=${line##*) }
    read -ra f <<<"$rest"
    echo "$pid ${f[1]} $((f[11] + f[12]))"
  done | awk -v root="$root" '
    { parent[$1] = $2; ticks[$1] = $3 }
    END {
      for (p in ticks) {
        for (q = p; q > 1; q = parent[q]) if (q == root) { sum += ticks[p]; if (p != root) engine += ticks[p]; break }
      }
      print sum + 0, engine + 0
    }'
}

# tree_pss PID: PSS in KiB of PID's descendants (not PID itself), and of PID.
tree_pss() {
  local root=$1 children=0 own
  for stat in /proc/[0-9]*/stat; do
    local line pid rest
    read -r line 2>/dev/null <"$stat" || continue
    pid=${line%% *}
    rest=${line##*) }
    echo "$pid $(echo "$rest" | cut -d' ' -f2)"
  done >"$work/parents"
  for pid in $(awk -v root="$root" '
      { parent[$1] = $2 }
      END { for (p in parent) if (p != root) for (q = parent[p]; q > 1; q = parent[q]) if (q == root) { print p; break } }' \
    "$work/parents"); do
    children=$((children + $(awk '/^Pss:/ {print $2}' "/proc/$pid/smaps_rollup" 2>/dev/null || echo 0)))
  done
  own=$(awk '/^Pss:/ {print $2}' "/proc/$root/smaps_rollup")
  echo "$children $own"
}

# position: the playback position in microseconds, read over the program's media player interface.
position() {
  dbus-send --session --print-reply --dest=org.mpris.MediaPlayer2.kivora /org/mpris/MediaPlayer2 \
    org.freedesktop.DBus.Properties.Get string:org.mpris.MediaPlayer2.Player string:Position |
    awk '/int64/ {print $3}'
}

# One run inside the X server: prints processor-seconds video-seconds engine-PSS-KiB own-PSS-KiB.
run_once() {
  local mode=$1 card=$2 log="$work/$1.log" pid wid t0 t1 e0 e1 p0 p1 pss
  rm -rf "$work/$mode" && mkdir -p "$work/$mode"
  printf '[MAP]\nTILE_URL=%s\n' "$tiles" >"$work/$mode/Default_Folder.ini"
  (cd "$work/$mode" && KIVORA_AUTOPLAY=1 KIVORA_AUTOQUIT_MS=$(((settle + seconds + 8) * 1000)) \
    HOME="$work/$mode" XDG_CACHE_HOME="$work/$mode/cache" exec "$build/kivora/app/kivora" "$card") >"$log" 2>&1 &
  pid=$!
  for _ in $(seq 300); do grep -q '^kivora: shown' "$log" && break; sleep 0.1; done
  grep -q '^kivora: shown' "$log" || { echo "the program did not start" >&2; cat "$log" >&2; return 1; }
  # Playing: the folder is loaded and the list is done taking the focus.
  for _ in $(seq 300); do [ "$(position 2>/dev/null || echo 0)" -gt 500000 ] 2>/dev/null && break; sleep 0.1; done
  # The keys go to the window once the picture is clicked (the recording list keeps letters); both
  # runs get the click.
  wid=$(xdotool search --pid "$pid" --onlyvisible . 2>/dev/null | head -1)
  eval "$(xdotool getwindowgeometry --shell "$wid")"
  xdotool mousemove $((X + WIDTH / 3)) $((Y + HEIGHT / 3)) click 1 sleep 0.5
  if [ "$mode" = map ]; then xdotool key m; fi
  sleep "$settle"
  # The map run must show the separate window with the map; the other must not.
  local windows
  windows=$(xdotool search --pid "$pid" --onlyvisible . 2>/dev/null | wc -l)
  if { [ "$mode" = map ] && [ "$windows" -lt 2 ]; } || { [ "$mode" = off ] && [ "$windows" -ne 1 ]; }; then
    echo "the $mode run shows $windows windows" >&2
    kill "$pid"
    return 1
  fi
  # Video seconds are what playback covered: on a busy machine it may fall behind the wall clock.
  read -r t0 e0 < <(tree_ticks "$pid")
  p0=$(position)
  sleep "$seconds"
  read -r t1 e1 < <(tree_ticks "$pid")
  p1=$(position)
  pss=$(tree_pss "$pid")
  if [ "$mode" = map ] && [ -n "${KIVORA_MAP_SHOT:-}" ]; then import -window root "$KIVORA_MAP_SHOT"; fi
  wait "$pid" || true
  echo "# map_x1_cpu: the $mode run played $(((p1 - p0) / 1000)) ms of video in ${seconds} s;" \
    "the web engine's processes took $(awk -v e=$((e1 - e0)) -v hz="$(getconf CLK_TCK)" -v v=$((p1 - p0)) \
      'BEGIN { printf "%.3f", e / hz / (v / 1e6) }') core-s per video-s" >&2
  awk -v t0="$t0" -v t1="$t1" -v p0="$p0" -v p1="$p1" -v hz="$(getconf CLK_TCK)" -v pss="$pss" \
    'BEGIN { printf "%.3f %.3f %s\n", (t1 - t0) / hz, (p1 - p0) / 1e6, pss }'
}

if [ "${2:-}" = --inside ]; then
  # Called again under xvfb-run with the card, the tile template and a work folder.
  card=$3 tiles=$4 work=$5
  for _ in $(seq "$rounds"); do
    echo "off $(run_once off "$card")"
    echo "map $(run_once map "$card")"
  done
  exit 0
fi

card=$(democard_once "$build" card-map-1080p-recorder --recordings 1 --days 1 --seconds 40 --main 1920x1080 \
  --no-sub --recorder-bitrate --triggers continuous)
movie=$(find "$card" -name '*M.MOV' -print -quit)
work=$(mktemp -d)
trap 'kill "$server" 2>/dev/null || true; rm -rf "$work"' EXIT
# Every tile request gets one small PNG, as from a tile server on the same machine.
python3 - "$work/port" <<'EOF' &
import http.server, socketserver, struct, sys, zlib
def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
rows = b"".join(b"\0" + bytes((170, 211, 223)) * 256 for _ in range(256))
png = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 256, 256, 8, 2, 0, 0, 0))
       + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))
class Tiles(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        self.send_response(200)
        self.send_header("Content-Type", "image/png")
        self.send_header("Content-Length", str(len(png)))
        self.end_headers()
        self.wfile.write(png)
    def log_message(self, *args):
        pass
with socketserver.ThreadingTCPServer(("127.0.0.1", 0), Tiles) as httpd:
    open(sys.argv[1], "w").write(str(httpd.server_address[1]))
    httpd.serve_forever()
EOF
server=$!
for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
tiles="http://127.0.0.1:$(cat "$work/port")/{z}/{x}/{y}.png"

results=$(dbus-run-session -- xvfb-run -a -s "-screen 0 1920x1080x24" bash "$0" "$build" --inside "$card" "$tiles" "$work")
lowest() { awk -v m="$1" '$1 == m { r = $2 / $3; if (best == "" || r < best) best = r } END { printf "%.3f", best }' <<<"$results"; }
ours=$(lowest map)
peer=$(lowest off)
read -r _ _ _ pss own <<<"$(grep '^map ' <<<"$results" | tail -1)"
echo "# map_x1_cpu: 1080p at $(movie_mbits "$movie") Mbit/s; peer is the same program with the map off" >&2
echo "bench map-x1-cpu ours=${ours} peer=${peer} unit=core-s-per-video-s ratio=$(ratio "$ours" "$peer") goal=map adds <=0.1"
echo "bench map-memory ours=$((pss / 1024)) peer=$((own / 1024)) unit=MiB ratio=$(ratio "$pss" "$own") goal=report(web-engine-processes-PSS-against-the-program's-own-PSS)"
