#!/usr/bin/env bash
# Builds the Debian package from a build tree and checks its control fields and its files with
# dpkg-deb. usage: deb-package-test.sh BUILD_DIR
set -euo pipefail
build=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 \
  || { cat "$out/cpack.log" >&2; exit 1; }
deb=$(find "$out" -maxdepth 1 -name '*.deb' | head -n 1)
[ -n "$deb" ] || { echo "FAIL: no package was made" >&2; exit 1; }

fail() { echo "FAIL: $*" >&2; exit 1; }
[ "$(dpkg-deb -f "$deb" Package)" = kivora ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Architecture)" = "$(dpkg --print-architecture)" ] || fail "architecture"
[ -n "$(dpkg-deb -f "$deb" Version)" ] || fail "no version"
depends=$(dpkg-deb -f "$deb" Depends)
# The linked libraries, as dpkg-shlibdeps names their packages.
for lib in libc6 libqt6widgets6 libavformat libavcodec libswscale; do
  grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib: $depends"
done

files=$(dpkg-deb -c "$deb" | awk '{print $6}')
for path in ./usr/bin/kivora ./usr/bin/kivora-cli ./usr/share/applications/kivora.desktop \
  ./usr/share/metainfo/io.github.kivora.metainfo.xml \
  ./usr/share/icons/hicolor/scalable/apps/kivora.svg \
  ./usr/share/icons/hicolor/16x16/apps/kivora.png ./usr/share/icons/hicolor/512x512/apps/kivora.png; do
  grep -qx "$path" <<<"$files" || fail "the package lacks $path"
done
# Nothing of the build tree (tests, benchmarks, static libraries) leaks into it.
if grep -E '\.a$|/include/|tests_|bench' <<<"$files"; then fail "build files in the package"; fi

root=$out/root
dpkg-deb -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/kivora.desktop"
"$root/usr/bin/kivora-cli" >/dev/null 2>&1 || [ $? -ne 127 ] || fail "kivora-cli does not run"
echo "deb package: ok ($(basename "$deb"))"
