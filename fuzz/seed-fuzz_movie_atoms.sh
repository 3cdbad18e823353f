#!/usr/bin/env bash
# Seeds for fuzz_movie_atoms: hand-built atom files (a small movie and its awkward variants) and,
# when a kivora-cli is at hand, the movies of a tiny synthetic card.
# Usage: fuzz/seed-fuzz_movie_atoms.sh CORPUS_DIR   (KIVORA_CLI=path overrides the kivora-cli search)
set -euo pipefail
out=${1:?corpus folder}
mkdir -p "$out"
root=$(cd "$(dirname "$0")/.." && pwd)

# perl is part of every Debian system; it packs the big-endian fields.
perl - "$out" <<'PERL'
use strict;
use warnings;
my $out = shift;
sub atom { my ($type, $payload, $size) = @_; $payload //= ''; $size //= 8 + length $payload; pack('N', $size) . $type . $payload }
sub full { my ($version, $body) = @_; pack('N', $version << 24) . $body }
sub ftyp { atom('ftyp', 'qt  ' . pack('N', 0) . 'qt  ') }
sub mvhd { my ($ts, $dur) = @_; atom('mvhd', full(0, pack('NNNN', 0, 0, $ts, $dur) . pack('N', 0x10000) . pack('n', 0x100) . ("\0" x 70) . pack('N', 3))) }
sub tkhd { atom('tkhd', full(3, pack('NNNNN', 0, 0, 1, 0, $_[0]) . ("\0" x 60))) }
sub mdhd { my ($ts, $dur) = @_; atom('mdhd', full(0, pack('NNNNN', 0, 0, $ts, $dur, 0))) }
sub hdlr { atom('hdlr', full(0, pack('N', 0) . $_[0] . ("\0" x 13))) }
sub dinf { atom('dinf', atom('dref', full(0, pack('N', 1) . atom('url ', pack('N', 1))))) }
sub vstsd {
    my ($w, $h) = @_;
    my $entry = ("\0" x 6) . pack('n', 1) . ("\0" x 16) . pack('nnNNNn', $w, $h, 0x480000, 0x480000, 0, 1) . ("\0" x 32) . pack('nn', 24, 0xFFFF);
    atom('stsd', full(0, pack('N', 1) . atom('avc1', $entry)));
}
sub astsd { atom('stsd', full(0, pack('N', 1) . atom('mp4a', ("\0" x 6) . pack('n', 1) . ("\0" x 8) . pack('nnNN', 2, 16, 0, 48000 << 16)))) }
sub stts { my ($n, $d) = @_; atom('stts', full(0, pack('NNN', 1, $n, $d))) }
sub stsz { my ($n) = @_; atom('stsz', full(0, pack('NN', 0, $n) . pack('N', 100) x $n)) }
sub stco { my ($n) = @_; atom('stco', full(0, pack('N', $n) . join('', map { pack('N', 1000 + $_) } 1 .. $n))) }
sub stsc { atom('stsc', full(0, pack('NNNN', 1, 1, 1, 1))) }
sub vtrak {
    my ($frames, $delta, %o) = @_;
    my $stbl = atom('stbl', vstsd(320, 180) . stts($frames, $delta) . atom('stss', full(0, pack('NN', 1, 1))) . stsc() . stsz($frames) . stco($frames));
    my $minf = atom('minf', atom('vmhd', full(1, "\0" x 8)) . dinf() . $stbl);
    atom('trak', tkhd($frames * $delta) . atom('mdia', mdhd(600, $frames * $delta) . hdlr('vide') . $minf) . ($o{extra} // ''));
}
sub atrak {
    my (%o) = @_;
    my $stbl = atom('stbl', astsd() . ($o{nostts} ? '' : stts(100, 1024)) . stsc() . stsz(4) . stco(4));
    atom('trak', tkhd(1800) . atom('mdia', mdhd(48000, 144000) . hdlr('soun') . atom('minf', atom('smhd', full(0, "\0" x 4)) . dinf() . $stbl)));
}
sub record { my ($i) = @_; sprintf('$GPRMA%-9sN%-10sE%-4s230115080000 %03d %-3s      %-5s%-5s%-5s_XN___', '3539.1234', '13945.6789', '0045', $i, '125', '-0123', '+0500', '-1000') . "\1\2\3\4" . ('0' x 40) . 'R0' }
sub udat { my ($n) = @_; atom('udat', 'CSMDAT' . '0500100015002000M010203H0N' . pack('n', $n) . join('', map { record($_) } 0 .. $n - 1) . 'CSMEND230101') }
sub movie {
    my (%o) = @_;
    my $frames = $o{frames} // 30;
    my $delta = $o{delta} // 20;
    my $moov = ($o{nomvhd} ? '' : mvhd(600, $frames * $delta)) . ($o{audiofirst} ? atrak(nostts => 1) . vtrak($frames, $delta) : vtrak($frames, $delta, extra => $o{trakextra}) . atrak()) . ($o{moovextra} // '');
    ftyp() . atom('mdat', $o{mdat} // ("\x11" x 64)) . atom('moov', $moov) . udat(3);
}
sub seed { my ($name, $bytes) = @_; open(my $f, '>:raw', "$out/$name") or die "$name: $!"; print $f $bytes; close $f }

seed('hand-movie.MOV', movie());
seed('hand-15fps-1.8s.MOV', movie(frames => 27, delta => 40));
seed('hand-audio-first.MOV', movie(audiofirst => 1));
seed('hand-mvhd-in-mdat.MOV', movie(mdat => ("\0" x 8) . mvhd(600, 600) . ("\0" x 8)));
seed('hand-meta-leaf.MOV', movie(moovextra => atom('meta', full(0, hdlr('mdir'))), trakextra => atom('tapt', "\0" x 20)));
seed('hand-no-mvhd.MOV', movie(nomvhd => 1));
my $m = movie();
seed('hand-cut.MOV', substr($m, 0, int(length($m) * 2 / 3)));
seed('hand-size0.MOV', ftyp() . atom('moov', mvhd(600, 1800) . atom('trak', "\0" x 16, 0)));
seed('hand-size1.MOV', ftyp() . atom('mdat', pack('NN', 0, 200) . ("\0" x 192), 1) . atom('moov', mvhd(600, 1800)));
seed('hand-overrun.MOV', ftyp() . atom('moov', atom('trak', atom('mdia', '', 4000))));
my $deep = atom('free', "\0" x 8);
$deep = atom('moov', $deep) for 1 .. 80;
seed('hand-deep.MOV', ftyp() . $deep);
PERL

cli=${KIVORA_CLI:-}
if [ -z "$cli" ]; then
  for candidate in "$root"/build/*/tools/kivora-cli/kivora-cli; do
    if [ -x "$candidate" ]; then cli=$candidate; break; fi
  done
fi
if [ -n "$cli" ] && [ -x "$cli" ]; then
  card=$(mktemp -d)
  trap 'rm -rf "$card"' EXIT
  if "$cli" democard "$card" --tiny 2 --jobs 1 --triggers continuous,time-lapse --manifest none >/dev/null 2>&1; then
    n=0
    while IFS= read -r movie; do
      n=$((n + 1))
      cp "$movie" "$out/card-$n.MOV"
    done < <(find "$card" -name '*.MOV' | sort)
  fi
fi
