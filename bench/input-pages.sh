#!/usr/bin/env bash
# Pages as users bring them: makes, from the developer pages, a page turned a
# quarter turn, two columns side by side, a two-page TIFF, a colour page lit
# from light to dark, a blurred and noisy grey JPEG on grey paper, a PNG named
# .jpg and a PDF page, reads each with pellarocr-cli (and standard input, a
# folder and a list of files), and prints the character error rate of each
# beside the time the program took.
#
#   bench/input-pages.sh [--build DIR] [--library DIR] [--out DIR] [-- extra pellarocr-cli options]
#
# Needs gm (GraphicsMagick) and python3.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build"
library=""
out=""
extra=()
while (($#)); do
  case "$1" in
    --build) build="$2"; shift 2 ;;
    --library) library="$2"; shift 2 ;;
    --out) out="$2"; shift 2 ;;
    --) shift; extra=("$@"); break ;;
    -h | --help) sed -n '2,11p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "input-pages.sh: unknown option $1" >&2; exit 1 ;;
  esac
done
cli="$build/bin/pellarocr-cli"
library="${library:-$build/bin}"
pages="$root/../shared/dev-pages"
score="$root/../shared/tools/ocr-score"
out="${out:-$build/bench-input-pages}"
for f in "$cli" "$score"; do
  [ -x "$f" ] || { echo "input-pages.sh: $f not found (build first)" >&2; exit 1; }
done
for tool in gm python3; do
  command -v "$tool" >/dev/null || { echo "input-pages.sh: $tool needed" >&2; exit 1; }
done
rm -rf "$out"
mkdir -p "$out/pages" "$out/truth" "$out/read"
P="$out/pages"
T="$out/truth"
song1="$pages/clean-song/clean-song-01"
song2="$pages/clean-song/clean-song-02"
song3="$pages/clean-song/clean-song-03"

# Ground truth of a page is its text; of a cut-out, the characters whose ink
# box lies inside it, line by line (from the page's boxes).
python3 - "$song1" "$song2" "$P" "$T" <<'PY'
import subprocess, sys
left, right, P, T = sys.argv[1:5]
def column(stem, x0, x1, name):
    lines, erase = {}, []
    for row in open(stem + ".boxes.tsv", encoding="utf-8"):
        if row.startswith("#"):
            continue
        line, char, a, b, c, d = row.rstrip("\n").split("\t")
        a, b, c, d = int(a), int(b), int(c), int(d)
        if a >= x0 and c <= x1:
            lines.setdefault(int(line), []).append(char)
        elif c > x0 and a < x1:
            erase.append("rectangle %d,%d %d,%d" % (a - x0 - 2, b - 2, c - x0 + 2, d + 2))
    # Characters cut by the edge of the column are wiped out of it.
    draw = "%s/%s.draw" % (P, name)
    open(draw, "w").write("\n".join(erase) + "\n")
    subprocess.run(["gm", "convert", stem + ".png", "-crop", "%dx3508+%d+0" % (x1 - x0, x0), "+repage",
                    "-fill", "white", "-draw", "@" + draw, "%s/%s.png" % (P, name)], check=True)
    return ["".join(lines[k]) for k in sorted(lines)]
a = column(left, 290, 1250, "column-a")
b = column(right, 290, 1250, "column-b")
open(T + "/two-columns.txt", "w", encoding="utf-8").write("\n".join(a + b) + "\n")
PY
gm convert -size 2480x3508 xc:white "$P/blank.png"
gm composite -geometry +120+0 "$P/column-a.png" "$P/blank.png" "$P/half.png"
gm composite -geometry +1300+0 "$P/column-b.png" "$P/half.png" -monochrome "$P/two-columns.png"

gm convert "$song1.png" -rotate 90 "$P/turned-90.png"
cp "$song1.txt" "$T/turned-90.txt"

gm convert "$song2.png" "$song3.png" -adjoin -compress Group4 "$P/two-pages.tif"
cp "$song3.txt" "$T/two-pages-page2.txt"

# Paper lit from nearly white on the left to a dark brown on the right.
gm convert -size 3508x2480 gradient:'#fff8e8-#3c3020' -rotate 270 "$P/gradient.png"
gm composite -compose Multiply "$song1.png" "$P/gradient.png" "$P/lit.png"
gm convert "$P/lit.png" -blur 0x0.8 "$P/gradient-colour.png"
cp "$song1.txt" "$T/gradient-colour.txt"

# Blurred, noisy grey print on grey paper, saved as a lossy JPEG.
gm convert "$song2.png" -colorspace GRAY -blur 0x1.6 +noise Gaussian -operator All Multiply 0.45 \
  -operator All Add 22% -quality 70 "$P/grey-blurred.jpg"
cp "$song2.txt" "$T/grey-blurred.txt"

cp "$pages/hei-kai/hei-kai-01.png" "$P/png-named.jpg"
cp "$pages/hei-kai/hei-kai-01.txt" "$T/png-named.txt"

gm convert "$song3.png" "$P/page.pdf"
cp "$song3.txt" "$T/page-pdf.txt"

mkdir -p "$P/folder"
cp "$pages/small/small-01.png" "$P/folder/page-10.png"
cp "$pages/clean-song/clean-song-02.png" "$P/folder/page-9.png"
cat "$song2.txt" "$pages/small/small-01.txt" >"$T/folder.txt"
printf '%s\n' "$song3.png" "$song1.png" >"$P/list.txt"
cat "$song3.txt" "$song1.txt" >"$T/list.txt"
cp "$pages/hei-kai/hei-kai-02.txt" "$T/stdin.txt"

# read NAME ARGS...: runs the program, its text to read/NAME.txt, its time to read/NAME.time.
read_page() {
  local name="$1"
  shift
  local t0 t1
  t0=$(date +%s.%N)
  "$cli" --library "$library" "${extra[@]}" "$@" >"$out/read/$name.txt" 2>"$out/read/$name.err" || true
  t1=$(date +%s.%N)
  python3 -c "print(round($t1 - $t0, 3))" >"$out/read/$name.time"
}
read_page turned-90 "$P/turned-90.png"
read_page two-columns "$P/two-columns.png"
read_page two-pages "$P/two-pages.tif"
python3 - "$out/read" <<'PY'
import sys
d = sys.argv[1]
pages = open(d + "/two-pages.txt", encoding="utf-8").read().split("\f")
open(d + "/two-pages-page2.txt", "w", encoding="utf-8").write(pages[1] if len(pages) > 1 else "")
PY
cp "$out/read/two-pages.time" "$out/read/two-pages-page2.time"
read_page gradient-colour "$P/gradient-colour.png"
read_page grey-blurred "$P/grey-blurred.jpg"
read_page png-named "$P/png-named.jpg"
read_page page-pdf "$P/page.pdf"
read_page folder "$P/folder"
read_page list "@$P/list.txt"
t0=$(date +%s.%N)
"$cli" --library "$library" "${extra[@]}" - <"$pages/hei-kai/hei-kai-02.png" >"$out/read/stdin.txt" \
  2>"$out/read/stdin.err" || true
t1=$(date +%s.%N)
python3 -c "print(round($t1 - $t0, 3))" >"$out/read/stdin.time"

printf '%-18s %8s %8s  %s\n' page "CER %" seconds "first message"
for name in turned-90 two-columns two-pages-page2 gradient-colour grey-blurred png-named page-pdf stdin folder list; do
  cer="$("$score" "$T/$name.txt" "$out/read/$name.txt" --json | python3 -c 'import json,sys; print("%.2f" % (100 * json.load(sys.stdin)["overall"]["cer"]))')"
  err="$(head -c 60 "$out/read/${name%-page2}.err" 2>/dev/null | head -1 || true)"
  printf '%-18s %8s %8s  %s\n' "$name" "$cer" "$(cat "$out/read/$name.time")" "$err"
done
