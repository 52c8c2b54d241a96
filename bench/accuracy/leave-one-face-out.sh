#!/usr/bin/env bash
# Leave-one-face-out: how the engine reads a typeface it was never trained
# on. For each face, builds the default library from its configuration
# without the pages of that face, reads the developer pages set in that face
# with it and scores them; faces never trained on stay as they are.
#
#   bench/accuracy/leave-one-face-out.sh [--build DIR] [--out DIR] [--pages DIR]
#                                        [--config FILE] [FONT[:FACE]...]
#
# FONT is a font file name as in the configuration (default: a Song, a Hei
# and a Kai face: gbsn00lp.ttf NotoSansCJK-Regular.ttc:2 gkai00mp.ttf). The
# pages of the faint and heavy tiers measure print quality rather than the
# face and are scored apart. Each library takes as long as the default one
# to train; one is built at a time.
set -euo pipefail

root="$(cd "$(dirname "$0")/../.." && pwd)"
build="$root/build"
out=""
pages="$root/../shared/dev-pages"
config="$root/tools/training/default-library.conf"
faces=()
while (($#)); do
  case "$1" in
    --build) build="$2"; shift 2 ;;
    --out) out="$2"; shift 2 ;;
    --pages) pages="$2"; shift 2 ;;
    --config) config="$2"; shift 2 ;;
    -h | --help) sed -n '2,15p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    -*) echo "leave-one-face-out.sh: unknown option $1" >&2; exit 1 ;;
    *) faces+=("$1"); shift ;;
  esac
done
((${#faces[@]})) || faces=(gbsn00lp.ttf NotoSansCJK-Regular.ttc:2 gkai00mp.ttf)
out="${out:-$build/bench-leave-one-face-out}"
cli="$build/bin/pellarocr-cli"
score="$root/../shared/tools/ocr-score"
for f in "$build/bin/pellarocr-train" "$cli" "$score" "$pages/manifest.json"; do
  [ -e "$f" ] || { echo "leave-one-face-out.sh: $f not found (build first)" >&2; exit 1; }
done

rm -rf "$out"
mkdir -p "$out"
printf '%-28s %6s %8s %8s %10s\n' "face left out" "pages" "CER %" "CERs %" "faint/heavy"
for face in "${faces[@]}"; do
  file="${face%%:*}"
  index=0
  [[ "$face" == *:* ]] && index="${face##*:}"
  name="$(echo "$file-$index" | tr -c 'A-Za-z0-9\n-' '_')"
  work="$out/$name"
  mkdir -p "$work/library" "$work/gt/face" "$work/gt/print" "$work/read/face" "$work/read/print"

  # The configuration without the pages of this face.
  awk -v file="$file" -v face="$index" '
    $1 == "page" { split($3, f, ":"); i = (f[2] == "" ? 0 : f[2]); if (f[1] == file && i == face) next }
    { print }' "$config" >"$work/library.conf"
  bash "$root/tools/training/build-default-library.sh" "$build/bin/pellarocr-train" "$work/library" \
    "$work/training" "$root/../shared" "$work/library.conf" >"$work/training.log" 2>&1

  # The pages set in this face, and what the library reads on them.
  python3 - "$pages/manifest.json" "$file" "$index" >"$work/pages.txt" <<'PY'
import json, sys
manifest, file, index = sys.argv[1], sys.argv[2], int(sys.argv[3])
data = json.load(open(manifest))
for page in data if isinstance(data, list) else data.get("pages", []):
    if page.get("font_file") == file and int(page.get("font_index", 0)) == index:
        print(page["tier"], page["page"])
PY
  count=0
  while read -r tier page; do
    group=face
    [ "$tier" = faint ] || [ "$tier" = heavy ] && group=print
    stem="$(basename "$page")"
    cp "$pages/$page.txt" "$work/gt/$group/$stem.txt"
    "$cli" --library "$work/library" "$pages/$page.png" >"$work/read/$group/$stem.txt" 2>/dev/null || true
    [ "$group" = face ] && count=$((count + 1))
  done <"$work/pages.txt"
  figures() {  # GT HYP → "CER CERs" of all its pages, or "-" when there are none
    if compgen -G "$1/*.txt" >/dev/null; then
      "$score" "$1" "$2" --json | python3 -c \
        'import json,sys; o=json.load(sys.stdin)["overall"]; print("%.2f %.2f" % (100*o["cer"], 100*o["cer_spaces"]))'
    else
      echo "- -"
    fi
  }
  read -r cer cers <<<"$(figures "$work/gt/face" "$work/read/face")"
  read -r pcer _ <<<"$(figures "$work/gt/print" "$work/read/print")"
  printf '%-28s %6d %8s %8s %10s\n' "$face" "$count" "$cer" "$cers" "$pcer"
  rm -rf "$work/training"
done
