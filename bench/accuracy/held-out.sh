#!/usr/bin/env bash
# Held-out accuracy set: pages the default library never saw in any way.
# Renders tools/training/held-out/held-out.txt (corpus paragraphs that the
# training leaves out of its pages and of Word.Dat, and that are on no
# developer page) with pellarocr-train in faces the training does not use,
# clean, as a light scan and as a heavy scan, and reads and scores them with
# run.sh (CER and CER-spaces per rendering, error causes).
#
#   bench/accuracy/held-out.sh [--build DIR] [--library DIR] [--out DIR]
#
# The faces: Noto Serif CJK SC Bold at 11 pt (a Song of another weight) and
# LXGW WenKai Light at 12 pt (a Kai of another weight); a face that is not
# installed is skipped. The same two pages of text in each face and
# rendering; the light and heavy scans are left as the degradation made them
# (--as-scanned).
set -euo pipefail

root="$(cd "$(dirname "$0")/../.." && pwd)"
build="$root/build"
library=""
out=""
while (($#)); do
  case "$1" in
    --build) build="$2"; shift 2 ;;
    --library) library="$2"; shift 2 ;;
    --out) out="$2"; shift 2 ;;
    -h | --help) sed -n '2,15p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "held-out.sh: unknown option $1" >&2; exit 1 ;;
  esac
done
train="$build/bin/pellarocr-train"
text="$root/tools/training/held-out/held-out.txt"
out="${out:-$build/bench-held-out}"
[ -x "$train" ] || { echo "held-out.sh: $train not found (build first)" >&2; exit 1; }

# NAME FONT-FILE FACE SIZE
faces=(
  "serifbold NotoSerifCJK-Bold.ttc 2 11"
  "kailight LXGWWenKai-Light.ttf 0 12"
)
# RENDERING DEGRADATION-OPTIONS
renderings=(
  "clean"
  "faint --blur 1.0 --noise 12 --threshold 116 --specks-black 200 --specks-white 100 --as-scanned"
  "heavy --spread 0.5 --blur 1.4 --noise 14 --threshold 138 --specks-black 600 --specks-white 350 --as-scanned"
)

rm -rf "$out"
mkdir -p "$out/pages"
for f in "${faces[@]}"; do
  read -r name file index size <<<"$f"
  path="$(find /usr/share/fonts -name "$file" -print -quit 2>/dev/null)"
  if [ -z "$path" ]; then
    echo "held-out.sh: font $file not installed, $name skipped" >&2
    continue
  fi
  for r in "${renderings[@]}"; do
    read -r rendering options <<<"$r"
    # shellcheck disable=SC2086  # the degradation options are words
    "$train" render --font "$path:$index" --size "$size" --dpi 300 --text "$text" --chars 1000000 \
      --seed 1 --max-pages 2 --out "$out/pages/$rendering" --name "$rendering-$name" \
      $options >/dev/null
  done
done
rm -f "$out"/pages/*/*.RED
bash "$root/bench/accuracy/run.sh" --build "$build" ${library:+--library "$library"} --pages "$out/pages" \
  --out "$out/read" --no-tesseract
