#!/usr/bin/env bash
# Installs a build into a scratch prefix and lets the desktop's own validators judge the desktop
# entry and the AppStream metadata; checks the icon theme's files and their pixel sizes.
# usage: desktop-files-test.sh BUILD_DIR
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

desktop=$prefix/share/applications/kivora.desktop
metainfo=$prefix/share/metainfo/io.github.kivora.metainfo.xml
desktop-file-validate "$desktop"
appstreamcli validate --no-net "$metainfo"

fail() { echo "FAIL: $*" >&2; exit 1; }
field() { sed -n "s/^$1=//p" "$desktop"; }
[ "$(field Exec)" = "kivora --user-settings %f" ] || fail "Exec is '$(field Exec)'"
[ "$(field MimeType)" = "video/quicktime;" ] || fail "MimeType is '$(field MimeType)'"
[ "$(field Categories)" = "AudioVideo;Video;Player;" ] || fail "Categories is '$(field Categories)'"
[ -n "$(field GenericName)" ] || fail "no GenericName"
[ -x "$prefix/bin/kivora" ] && [ -x "$prefix/bin/kivora-cli" ] || fail "programs missing"
grep -q '<screenshot' "$metainfo" && grep -q '<release ' "$metainfo" || fail "no screenshot or release notes"

for size in 16 22 24 32 48 64 128 256 512; do
  icon=$prefix/share/icons/hicolor/${size}x${size}/apps/kivora.png
  [ -f "$icon" ] || fail "no ${size} px icon"
  # The PNG header holds the width and height as big-endian words at bytes 16 and 20.
  dims=$(od -An -tu1 -j16 -N8 "$icon" | awk '{print $3*256+$4 "x" $7*256+$8}')
  [ "$dims" = "${size}x${size}" ] || fail "the ${size} px icon is $dims"
done
svg=$prefix/share/icons/hicolor/scalable/apps/kivora.svg
xmllint --noout "$svg" || fail "the scalable icon is not well-formed"
echo "desktop files: ok"
