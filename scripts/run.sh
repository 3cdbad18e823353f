#!/usr/bin/env bash
# Installs what is missing, builds, writes the demo card once, and starts the viewer on it.
# Usage: scripts/run.sh [SOURCE]   (a folder or movie; the demo card by default)
set -euo pipefail
source=${1:+$(realpath -m "$1")} # relative to where the script was started
cd "$(dirname "$0")/.."
./scripts/build.sh dev
card=build/dev/democard
if [ ! -f "$card/.complete" ]; then
  rm -rf "$card"
  build/dev/tools/kivora-cli/kivora-cli democard "$card"
  touch "$card/.complete"
fi
source=${source:-$(realpath -m "$card")}
# The settings file lives in the working folder; keep the demo's beside the card.
cd build/dev
# The first recording plays once loaded (KIVORA_AUTOPLAY=0 opens it paused at its first frame).
export KIVORA_AUTOPLAY=${KIVORA_AUTOPLAY:-1}
exec ./kivora/app/kivora "$source"
