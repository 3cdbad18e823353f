#!/usr/bin/env bash
# Seeds for fuzz_ini: a first line "SECTION|KEY|VALUE" to write, then a settings file.
# Usage: fuzz/seed-fuzz_ini.sh CORPUS_DIR
set -euo pipefail
out=${1:?corpus folder}
mkdir -p "$out"
seed() { printf '%b' "$2" >"$out/$1"; }
seed hand-plain 'SETTING|LANGUAGE|1\n[SETTING]\nLANGUAGE=0\nVOLUME=50\n'
seed hand-crlf-bom 'MAP|TILE_URL|https://x/{z}\n\xef\xbb\xbf[Setting]\r\nlanguage = "0"\r\n; comment\r\n[MAP]\r\n'
seed hand-new-section 'NEW|KEY|value with spaces\n[A]\nx=1'
seed hand-duplicates 'A|x|2\n[a]\nX=1\n[A]\nx=3\n[a]\nx=4\n'
seed hand-refused 'A]|k|v\n[A]\nk=1\n'
seed hand-quotes 'S|K|"quoted"\n[S]\nK="old"\nK2=  spaced  \n'
seed hand-utf8 'S|名前|値\n[S]\n名前=古い\n'
seed hand-no-newline 'S|K|V'
