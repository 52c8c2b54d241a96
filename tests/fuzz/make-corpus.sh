#!/usr/bin/env bash
# Writes the seed corpora of the fuzz targets into OUTDIR/<target>/: small
# valid files of every format, library tables, word pairs, ground-truth files
# and pages, made with gm convert and python3.
#   make-corpus.sh OUTDIR
set -euo pipefail
out="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"/fuzz_bmp "$out"/fuzz_dib "$out"/fuzz_psd "$out"/fuzz_load "$out"/fuzz_table \
  "$out"/fuzz_word_pairs "$out"/fuzz_ground_truth "$out"/fuzz_recognise

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

# Whole-loader seeds: the files themselves; formats without a signature get
# one more byte, whose value picks their extension (kUnsignedExtensions in
# tests/fuzz/FuzzSupport.h: 0 .tga, 1 .win, 2 .rla, 3 .cut, 4 .fax, 5 .pcd).
seed() {  # seed FILE [SELECTOR]
  local target="$out/fuzz_load/$(basename "$1")${2:+.$2}"
  cp "$1" "$target"
  if [ -n "${2:-}" ]; then printf "\\$(printf '%03o' "$2")" >>"$target"; fi
}
gm convert "$work/colour.ppm" -quality 90 "$work/a.jpg" && seed "$work/a.jpg"
gm convert "$work/mono.pbm" -compress Group4 "$work/g4.tif" && seed "$work/g4.tif"
gm convert "$work/colour.ppm" -compress LZW "$work/lzw.tif" && seed "$work/lzw.tif"
gm convert "$work/mono.pbm" "$work/a.png" && seed "$work/a.png"
gm convert "$work/grey.pgm" -compress LZW "$work/grey.tiff" && seed "$work/grey.tiff"
seed "$out/fuzz_bmp/seed1.bmp"
seed "$out/fuzz_psd/rgb.psd"
gm convert "$work/colour.ppm" "$work/a.pcx" && seed "$work/a.pcx"
gm convert "$work/colour.ppm" "$work/a.tga" && seed "$work/a.tga" 0 && seed "$work/a.tga" 1
gm convert "$work/colour.ppm" "$work/a.gif" && seed "$work/a.gif"
cp "$work/colour.ppm" "$work/a.ppm" && seed "$work/a.ppm"
gm convert "$work/colour.ppm" "$work/a.sgi" && seed "$work/a.sgi"
gm convert "$work/mono.pbm" -compress Fax "FAX:$work/a.fax" && seed "$work/a.fax" 4
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
seed "$work/a.emf"
seed "$work/a.wmf"
gm convert "$work/mono.pbm" "$work/a.pdf" && seed "$work/a.pdf"

# Library tables (the index of 15625 offsets, the filler byte, the slots),
# Word.Dat files and ground-truth files of the 96 × 64 page of
# fuzz_ground_truth.
python3 - "$out" <<'PY'
import struct, sys
out = sys.argv[1]
def table(lists):
    index, slots = [0] * 15625, b''
    for feature, chars in sorted(lists.items()):
        index[feature] = 1 + len(slots)
        values = list(chars) + [0]
        values += [0] * (-len(values) % 6)
        slots += struct.pack('<%dH' % len(values), *values)
    return struct.pack('<15625I', *index) + b'\0' + slots
open(out + '/fuzz_table/empty', 'wb').write(table({}))
open(out + '/fuzz_table/lists', 'wb').write(table({0: [283, 284], 7: [], 3125: [7051 + k for k in range(6)], 15624: [15886]}))

def word_pairs(records):
    index, body = [0] * 65536, b''
    for code, (before, after) in records.items():
        index[code] = 262144 + len(body) + code
        body += struct.pack('<%dH' % (len(before) + 1), len(before) + 1, *before)
        body += struct.pack('<%dH' % (len(after) + 1), len(after) + 1, *after)
    return struct.pack('<65536I', *index) + body
def encode(code):  # a predecessor as stored: rotated left by 3, complemented
    return (((code << 3) | (code >> 13)) & 0xFFFF) ^ 0xFFFF
open(out + '/fuzz_word_pairs/empty', 'wb').write(word_pairs({}))
zhong, guo, ren = 0xD0D6, 0xFAB9, 0xCBC8
open(out + '/fuzz_word_pairs/records', 'wb').write(
    word_pairs({zhong: ([encode(guo)], [2618, 4043]), guo: ([encode(zhong), encode(ren)], []), ren: ([], [3505])}))

records = [(0xD7, 0xD6, 6, 8, 9, 55, 0), (0xA3, 0xC1, 24, 20, 55, 40, 0), (ord('a'), ord('b'), 70, 8, 90, 55, 2),
           (0xD2, 0xBB, 36, 8, 44, 55, 3), (0xA1, 0xA3, 0, 0, 95, 63, 1)]
red = struct.pack('<i', -1) + b''.join(struct.pack('<BBiiiiBI', *r, 0) for r in records)
rec = b''.join(struct.pack('<BBiiii', *r[:6]) for r in records)
open(out + '/fuzz_ground_truth/page.RED', 'wb').write(red)
open(out + '/fuzz_ground_truth/short.RED', 'wb').write(red[:-7])
open(out + '/fuzz_ground_truth/page.REC', 'wb').write(rec)
PY

# Pages of fuzz_recognise: width − 8 and height − 8 in two bytes, then the
# rows at 1 bit per pixel (1 = ink), each a whole number of 32-bit words.
# Printed Chinese where gm can draw it, and blocks of strokes.
font=/usr/share/fonts/truetype/arphic-gbsn00lp/gbsn00lp.ttf
if [ -f "$font" ]; then
  gm convert -size 240x56 xc:white -font "$font" -pointsize 26 -fill black \
    -draw "text 4,38 '今天下午三点，开会。ab'" -monochrome "$work/text.pbm" 2>/dev/null || true
  gm convert -size 160x100 xc:white -font "$font" -pointsize 20 -fill black \
    -draw "text 2,24 '中国人民'" -draw "text 2,56 '一二三工土'" -draw "text 2,88 '口日目田'" \
    -monochrome "$work/lines.pbm" 2>/dev/null || true
fi
python3 - "$work" "$out/fuzz_recognise" <<'PY'
import os, sys
work, out = sys.argv[1], sys.argv[2]
def page(width, height, ink):
    stride = (width + 31) // 32 * 4
    rows = bytearray(stride * height)
    for y in range(height):
        for x in range(width):
            if ink(x, y):
                rows[y * stride + x // 8] |= 0x80 >> (x % 8)
    return bytes([width - 8, height - 8]) + bytes(rows)
def blocks(x, y):
    cx, cy = x % 24, y % 28
    return (4 <= cx <= 19 and cy in (5, 6, 13, 20)) or (cx in (11, 12) and 4 <= cy <= 22)
open(out + '/blocks', 'wb').write(page(200, 90, blocks))
open(out + '/touching', 'wb').write(page(120, 40, lambda x, y: 8 <= y <= 30 and (x % 9 in (0, 1) or y in (8, 30))))
for name in ('text', 'lines'):
    path = os.path.join(work, name + '.pbm')
    if not os.path.exists(path):
        continue
    data = open(path, 'rb').read()
    fields, at = [], 0
    while len(fields) < 3:  # P4, width, height
        while data[at:at + 1].isspace(): at += 1
        end = at
        while not data[end:end + 1].isspace(): end += 1
        fields.append(data[at:end]); at = end
    width, height = int(fields[1]), int(fields[2])
    bits, rowBytes = data[at + 1:], (width + 7) // 8
    ink = lambda x, y: bits[y * rowBytes + x // 8] & (0x80 >> (x % 8))
    open(out + '/' + name, 'wb').write(page(width, height, ink))
PY
