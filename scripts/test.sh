#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Non-zero exit when anything fails.
# Usage: scripts/test.sh [PRESET [CTEST-ARGS...]]   (dev by default; asan runs the same tests under the
# sanitizers; e.g. --output-log FILE keeps the output of passing tests too, sanitizer reports of
# programs a test started among it)
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-dev}
shift || true
./scripts/build.sh "$preset"
export QT_QPA_PLATFORM=offscreen
# Playback tests play sound where there is a sound server: without one, give the run its own
# (a sink that plays into nothing), so that the sound path is tested too.
if command -v pulseaudio >/dev/null && ! pactl info >/dev/null 2>&1; then
  export XDG_RUNTIME_DIR
  XDG_RUNTIME_DIR=$(mktemp -d)
  pulseaudio --daemonize=yes -n --exit-idle-time=-1 --log-target=stderr --log-level=error \
    -L "module-null-sink sink_name=tests" -L module-native-protocol-unix 2>/dev/null || true
  trap 'pulseaudio --kill 2>/dev/null || true; rm -rf "$XDG_RUNTIME_DIR"' EXIT
fi
# The desktop's media controls talk to the program over the session bus: without one, the run gets
# a private bus of its own.
bus=()
if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ] && command -v dbus-run-session >/dev/null; then
  bus=(dbus-run-session --)
fi
# Whole-window tests need a display: give the run one when there is none.
if [ -z "${DISPLAY:-}" ] && command -v xvfb-run >/dev/null; then
  "${bus[@]}" xvfb-run -a -s "-screen 0 1920x1080x24" ctest --preset "$preset" -j "$(nproc)" --timeout 600 "$@"
else
  "${bus[@]}" ctest --preset "$preset" -j "$(nproc)" --timeout 600 "$@"
fi
