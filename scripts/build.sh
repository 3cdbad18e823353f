#!/usr/bin/env bash
# Configures and builds one preset (default: dev). Usage: scripts/build.sh [PRESET] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
preset=${1:-dev}
shift || true
cmake --preset "$preset" >/dev/null
if [ $# -gt 0 ]; then
  cmake --build --preset "$preset" --target "$@"
else
  cmake --build --preset "$preset"
fi
