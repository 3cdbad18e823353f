#!/usr/bin/env bash
# Seeds for fuzz_telemetry: a few hand-encoded blocks (counts, end tags, cut records, repeated
# headers) and, when a kivora-cli is at hand, the data files of a tiny synthetic card.
# Usage: fuzz/seed-fuzz_telemetry.sh CORPUS_DIR   (KIVORA_CLI=path overrides the kivora-cli search)
set -euo pipefail
out=${1:?corpus folder}
mkdir -p "$out"
root=$(cd "$(dirname "$0")/.." && pwd)

header='0500100015002000M010203H0J'
# record FIELDS...: one 124-byte record; status, latitude, speed, voltage, x, event letters.
record() {
  local status=${1:-A} lat=${2:-} speed=${3:-} volt=${4:-} ax=${5:-+0000} events=${6:-}
  printf '$GPRM%s%-9s' "$status" "$lat"
  printf 'N'
  printf '%-10s' '13945.6789'
  printf 'E'
  printf '%-4s' "$speed"
  printf '230115235959 001 %-3s      ' "$volt"
  printf '%-5s+0500-1000' "$ax"
  printf '%-6s' "$events"
  printf '\001\002\003\004'
  printf '%030d' 0
  printf '%010d' 0
  printf 'R0'
}
count() { printf "\\x$(printf %02x $(($1 >> 8)))\\x$(printf %02x $(($1 & 255)))"; }
seed() { cat >"$out/$1"; }

{ printf 'CSMDAT%s' "$header"; count 2
  record A 3539.1234 0045 125 -0123 '_XN___'; record V '         ' '    ' '   ' +1000 'DYAD_D'
  printf 'CSMEND230101'; } | seed hand-two-records.ADA
{ printf 'CSMDAT%s' "$header"; count 65535
  record A 3539.1234 0045 125 -0123 '__B___'; record A 3539.2234 0046 '   ' +0100 '__H___'
  record A 3539.3234 0047 124 +0200 '___D__'
  printf 'CSMEND      '; } | seed hand-until-end-tag.ADA
{ printf 'CSMDAT%s' "$header"; count 400
  record A 3539.1234 0045 125 -0123 '_ZN___'; record A 3539.1234 00 1; } | seed hand-count-beyond-file.ADA
{ printf 'CSMDAT%s' "$header"; count 65535
  record A 3539.1234 0045 125 -0123 'D_N__D'; } | seed hand-no-end-tag.ADA
{ printf 'CSMDAT%s' "$header"; count 0; printf 'CSMEND230101'; } | seed hand-empty.ADA
{ printf 'CSMDAT%s' "$header"; printf '\000\001xx@CSM%s' '0900090009000900D010203L0Q'; } | seed hand-repeated-header.ADA
printf 'CSMDAT0500' | seed hand-cut-header.ADA

cli=${KIVORA_CLI:-}
if [ -z "$cli" ]; then
  for candidate in "$root"/build/*/tools/kivora-cli/kivora-cli; do
    if [ -x "$candidate" ]; then cli=$candidate; break; fi
  done
fi
if [ -n "$cli" ] && [ -x "$cli" ]; then
  card=$(mktemp -d)
  trap 'rm -rf "$card"' EXIT
  if "$cli" democard "$card" --tiny 3 --no-sub --jobs 1 --triggers continuous,shock,time-lapse >/dev/null 2>&1; then
    find "$card" -name '*.ADA' -exec cp {} "$out"/ \;
  fi
fi
