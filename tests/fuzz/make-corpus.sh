#!/usr/bin/env bash
# Writes the seed corpora of the fuzz targets into OUTDIR/<target>/: small
# valid files of every format, made with gm convert and python3.
#   make-corpus.sh OUTDIR
set -euo pipefail
out="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"/fuzz_bmp "$out"/fuzz_dib "$out"/fuzz_psd "$out"/fuzz_load

# Source pictures: a small bilevel page, a grey ramp and a colour picture.
gm convert -size 24x16 pattern:checkerboard -monochrome "$work/mono.pbm"
gm convert -size 20x12 gradient:black-white "$work/grey.pgm"
gm convert -size 18x10 gradient:red-blue "$work/colour.ppm"

# BMP at several depths and encodings; the DIB seeds are the same files
# without their 14-byte file header.
i=0
for src in mono.pbm grey.pgm colour.ppm; do
  for opts in "" "-compress RLE" "-type Palette" "-type Grayscale" "-depth 16"; do
    i=$((i + 1))
    gm convert "$work/$src" $opts "BMP3:$out/fuzz_bmp/seed$i.bmp" 2>/dev/null || continue
    tail -c +15 "$out/fuzz_bmp/seed$i.bmp" >"$out/fuzz_dib/seed$i.dib"
  done
done

# PSD files: RGB raw, grey PackBits, bitmap mode.
python3 - "$out/fuzz_psd" <<'PY'
import struct, sys
def psd(mode, depth, channels, w, h, compression, planes):
    out = b'8BPS' + struct.pack('>H6xHIIHH', 1, channels, h, w, depth, mode)
    out += struct.pack('>III', 0, 0, 0) + struct.pack('>H', compression)
    if compression == 0:
        return out + b''.join(planes)
    rows = [bytes([len(r) - 1]) + r for r in planes]
    return out + b''.join(struct.pack('>H', len(r)) for r in rows) + b''.join(rows)
folder = sys.argv[1]
open(folder + '/rgb.psd', 'wb').write(psd(3, 8, 3, 4, 2, 0, [bytes(range(i, i + 4)) for i in range(6)]))
open(folder + '/grey.psd', 'wb').write(psd(1, 8, 1, 5, 3, 1, [bytes([1, 2, 3, 4, 5])] * 3))
open(folder + '/bitmap.psd', 'wb').write(psd(0, 1, 1, 8, 2, 0, [b'\x0f', b'\xf0']))
PY

# Whole-loader seeds: the first byte is the extension's index in
# kLoadExtensions (tests/fuzz/FuzzSupport.h), then the file.
seed() {  # seed INDEX FILE
  { printf "\\$(printf '%03o' "$1")"; cat "$2"; } >"$out/fuzz_load/$(basename "$2").$1"
}
gm convert "$work/colour.ppm" -quality 90 "$work/a.jpg" && seed 0 "$work/a.jpg"
gm convert "$work/mono.pbm" -compress Group4 "$work/g4.tif" && seed 1 "$work/g4.tif"
gm convert "$work/colour.ppm" -compress LZW "$work/lzw.tif" && seed 1 "$work/lzw.tif"
gm convert "$work/mono.pbm" "$work/a.png" && seed 2 "$work/a.png"
gm convert "$work/grey.pgm" -compress LZW "$work/grey.tiff" && seed 3 "$work/grey.tiff"
seed 4 "$out/fuzz_bmp/seed1.bmp"
seed 5 "$out/fuzz_psd/rgb.psd"
gm convert "$work/colour.ppm" "$work/a.pcx" && seed 6 "$work/a.pcx"
gm convert "$work/colour.ppm" "$work/a.tga" && seed 7 "$work/a.tga"
gm convert "$work/colour.ppm" "$work/a.gif" && seed 8 "$work/a.gif"
cp "$work/colour.ppm" "$work/a.ppm" && seed 9 "$work/a.ppm"
gm convert "$work/colour.ppm" "$work/a.sgi" && seed 10 "$work/a.sgi"
gm convert "$work/mono.pbm" -compress Fax "FAX:$work/a.fax" && seed 18 "$work/a.fax"
python3 - "$work" <<'PY'
import struct, sys
folder = sys.argv[1]
def p(*v): return b''.join(struct.pack('<I', x) for x in v)
emf = p(1, 88, 0, 0, 99, 49, 0, 0, 2645, 1322, 0x464D4520, 0x10000, 144, 4, 1, 0, 0, 0, 1024, 768, 271, 203)
emf += p(37, 12, 0x80000004) + p(43, 24, 10, 10, 60, 40) + p(14, 20, 0, 16, 20)
open(folder + '/a.emf', 'wb').write(emf)
def w(*v): return b''.join(struct.pack('<H', x) for x in v)
words = [0xCDD7, 0x9AC6, 0, 0, 0, 1440, 720, 1440, 0, 0]
check = 0
for x in words: check ^= x
records = w(5, 0, 0x020C, 720, 1440) + w(5, 0, 0x020B, 0, 0) + w(7, 0, 0x041B, 600, 1200, 100, 100) + w(3, 0, 0)
header = w(1, 9, 0x300) + struct.pack('<I', 9 + len(records) // 2) + w(0) + struct.pack('<I', 7) + w(0)
open(folder + '/a.wmf', 'wb').write(w(*words) + w(check) + header + records)
PY
seed 15 "$work/a.emf"
seed 16 "$work/a.wmf"
gm convert "$work/mono.pbm" "$work/a.pdf" && seed 20 "$work/a.pdf"
cp "$work/a.png" "$work/b.png" && seed 21 "$work/b.png"
cp "$work/g4.tif" "$work/b.tif" && seed 21 "$work/b.tif"
