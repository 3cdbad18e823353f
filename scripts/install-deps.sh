#!/usr/bin/env bash
# Installs the Debian packages kivora needs to build, test, run and benchmark.
# Idempotent: quiet and quick when everything is already present.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git ccache
  clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev
  qt6-multimedia-dev qt6-webengine-dev qt6-webchannel-dev
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev
  ffmpeg
  libjs-leaflet fonts-noto-cjk
  xvfb xauth libxml2-utils
  pulseaudio
  desktop-file-utils appstream dpkg-dev file xdotool
  dbus
  libexiv2-dev libimage-exiftool-perl
  libssl-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
