#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Non-zero exit when anything fails.
# Usage: scripts/test.sh [PRESET]   (dev by default; asan runs the same tests under the sanitizers)
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-dev}
./scripts/build.sh "$preset"
export QT_QPA_PLATFORM=offscreen
# Whole-window tests need a display: give the run one when there is none.
if [ -z "${DISPLAY:-}" ] && command -v xvfb-run >/dev/null; then
  exec xvfb-run -a -s "-screen 0 1920x1080x24" ctest --preset "$preset" -j "$(nproc)" --timeout 600
fi
exec ctest --preset "$preset" -j "$(nproc)" --timeout 600
