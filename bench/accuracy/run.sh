#!/usr/bin/env bash
# Accuracy benchmark: recognises every page (TIER/STEM.png or .bmp, the
# text beside it as STEM.txt) of a page set (default: the developer test
# pages) with pellarocr-cli's defaults and the default
# library, scores the text with ocr-score and prints the character error
# rate (also with spaces counted) per tier and overall, the time per page,
# the library load time, the peak memory and the main causes of the errors.
# When tesseract with Simplified Chinese is installed, it reads the same
# pages and is scored beside ours (this script installs nothing).
#
#   bench/accuracy/run.sh [--build DIR] [--library DIR] [--pages DIR] [--out DIR]
#                         [--no-tesseract] [-- extra pellarocr-cli options]
set -euo pipefail

root="$(cd "$(dirname "$0")/../.." && pwd)"
build="$root/build"
library=""
pages="$root/../shared/dev-pages"
out=""
tesseract=yes
extra=()
while (($#)); do
  case "$1" in
    --build) build="$2"; shift 2 ;;
    --library) library="$2"; shift 2 ;;
    --pages) pages="$2"; shift 2 ;;
    --out) out="$2"; shift 2 ;;
    --no-tesseract) tesseract=no; shift ;;
    --) shift; extra=("$@"); break ;;
    -h | --help) sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "run.sh: unknown option $1" >&2; exit 1 ;;
  esac
done
cli="$build/bin/pellarocr-cli"
library="${library:-$build/bin}"
score="$root/../shared/tools/ocr-score"
[ -d "$pages" ] || pages="$(cd "$root/.." && pwd)/shared/dev-pages"
out="${out:-$build/bench-accuracy}"
for f in "$cli" "$score"; do
  [ -x "$f" ] || { echo "run.sh: $f not found (build first)" >&2; exit 1; }
done
command -v python3 >/dev/null || { echo "run.sh: python3 needed" >&2; exit 1; }
timer=()
[ -x /usr/bin/time ] && timer=(/usr/bin/time -f "%e %M" -o)

rm -rf "$out"
mkdir -p "$out/ours" "$out/json" "$out/time"
mapfile -t images < <(find "$pages" -mindepth 2 -maxdepth 2 \( -name '*.png' -o -name '*.bmp' \) | sort)
((${#images[@]})) || { echo "run.sh: no pages in $pages" >&2; exit 1; }

# Runs COMMAND... with its wall time and peak memory written to FILE.
measure() {
  local file="$1"
  shift
  if ((${#timer[@]})); then
    "${timer[@]}" "$file" "$@"
  else
    local t0 t1
    t0=$(date +%s.%N)
    "$@"
    t1=$(date +%s.%N)
    echo "$(echo "$t1 - $t0" | bc) 0" >"$file"
  fi
}

echo "pages: ${#images[@]} from $pages; library: $library"
for image in "${images[@]}"; do
  tier="$(basename "$(dirname "$image")")"
  stem="$(basename "${image%.*}")"
  mkdir -p "$out/ours/$tier"
  measure "$out/time/$stem.ours" "$cli" --library "$library" --format json "${extra[@]}" \
    "$image" >"$out/json/$stem.json" 2>"$out/json/$stem.err" || echo "  $stem: pellarocr-cli failed" >&2
  python3 - "$out/json/$stem.json" "$out/ours/$tier/$stem.txt" <<'PY'
import json, sys
lines = []
for row in open(sys.argv[1], encoding="utf-8"):
    row = row.strip()
    if row:
        lines += [line.get("text", "") for line in json.loads(row).get("lines", [])]
open(sys.argv[2], "w", encoding="utf-8").write("".join(l + "\n" for l in lines))
PY
done

# Library load time: the whole run on a blank 8 x 8 page is start-up and loading.
python3 - "$out/blank.bmp" <<'PY'
import struct, sys
rows = b"\x00\x00\x00\x00" * 8
header = struct.pack("<2sIHHI", b"BM", 62 + len(rows), 0, 0, 62)
info = struct.pack("<IiiHHIIiiII", 40, 8, 8, 1, 1, 0, len(rows), 11811, 11811, 2, 2)
palette = b"\xff\xff\xff\x00\x00\x00\x00\x00"
open(sys.argv[1], "wb").write(header + info + palette + rows)
PY
for i in 1 2 3; do measure "$out/time/blank-$i.load" "$cli" --library "$library" "$out/blank.bmp" >/dev/null; done

have_tesseract=no
if [ "$tesseract" = yes ] && command -v tesseract >/dev/null && tesseract --list-langs 2>/dev/null | grep -qx chi_sim; then
  have_tesseract=yes
  mkdir -p "$out/tesseract"
  for image in "${images[@]}"; do
    tier="$(basename "$(dirname "$image")")"
    stem="$(basename "${image%.*}")"
    mkdir -p "$out/tesseract/$tier"
    measure "$out/time/$stem.tesseract" tesseract "$image" "$out/tesseract/$tier/$stem" -l chi_sim \
      >/dev/null 2>&1 || echo "  $stem: tesseract failed" >&2
  done
fi

"$score" "$pages" "$out/ours" --json >"$out/score-ours.json"
[ "$have_tesseract" = yes ] && "$score" "$pages" "$out/tesseract" --json >"$out/score-tesseract.json"
python3 - "$out" "$have_tesseract" "$tesseract" <<'PY'
import glob, json, os, statistics, sys
out, have_tess, asked = sys.argv[1], sys.argv[2] == "yes", sys.argv[3] == "yes"

def tiers(name):
    data = json.load(open(os.path.join(out, name)))
    return dict(data["tiers"], overall=data["overall"])

ours = tiers("score-ours.json")
tess = tiers("score-tesseract.json") if have_tess else {}
print()
header = "%-12s %6s %10s %12s %12s" % ("tier", "pages", "CER ours %", "CER-spaces %", "hanzi-CER %")
if have_tess:
    header += " %15s %12s" % ("CER tesseract %", "CER-spaces %")
print(header)
for tier in sorted(k for k in ours if k != "overall") + ["overall"]:
    row = ours[tier]
    line = "%-12s %6d %10.2f %12.2f %12.2f" % (tier, row["pages"], 100 * row["cer"], 100 * row["cer_spaces"],
                                              100 * row["hanzi_cer"])
    if tier in tess:
        line += " %15.2f %12.2f" % (100 * tess[tier]["cer"], 100 * tess[tier]["cer_spaces"])
    print(line)

def times(suffix):
    rows = []
    for f in sorted(glob.glob(os.path.join(out, "time", "*." + suffix))):
        parts = open(f).read().split()
        if len(parts) >= 2:
            rows.append((float(parts[-2]), int(parts[-1])))
    return rows

recognition = []
for f in sorted(glob.glob(os.path.join(out, "json", "*.json"))):
    for row in open(f, encoding="utf-8"):
        if row.strip():
            recognition.append(float(json.loads(row).get("seconds", 0)))
whole = times("ours")
load = times("load")
print()
if recognition:
    print("time per page, median: recognition %.3f s (from the JSON), whole process %.3f s"
          % (statistics.median(recognition), statistics.median(w for w, _ in whole)))
if load:
    print("library load (start-up on a blank page), median: %.3f s" % statistics.median(w for w, _ in load))
if whole and max(m for _, m in whole) > 0:
    print("peak memory: %.1f MB" % (max(m for _, m in whole) / 1024))
if have_tess:
    tt = times("tesseract")
    print("tesseract per page, median: %.3f s, peak memory %.1f MB"
          % (statistics.median(w for w, _ in tt), max(m for _, m in tt) / 1024))
elif asked:
    print("tesseract (tesseract-ocr, tesseract-ocr-chi-sim) is not installed: not compared")
else:
    print("tesseract left out (--no-tesseract)")
PY

echo
echo "error causes (edits, from an alignment of our text with the ground truth; spaces count):"
python3 "$root/bench/accuracy/error-causes.py" "$score" "$pages" "$out/ours" >"$out/error-causes.txt"
head -16 "$out/error-causes.txt"
