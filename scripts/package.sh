#!/usr/bin/env bash
# Builds the release preset's programs and packs them as a Debian package under build/release.
# Usage: scripts/package.sh   (prints the package's path)
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh release kivora kivora-cli kivora_icons
cd build/release
cpack -G DEB >/dev/null
ls "$PWD"/kivora_*.deb
