#!/usr/bin/env bash
# Builds the default template library (ZEZID.D00 … ZEZID.D31) and Word.Dat
# with pellarocr-train, as listed in default-library.conf beside this script:
# renders the training pages (two jobs at a time), builds Word.Dat from the
# corpus, teaches the library from the pages and corrects it on the pages
# marked for correction. Paragraphs that occur on the developer test pages
# are left out of every page and of Word.Dat, and so is the held-out text
# (held-out/ beside this script, read by bench/accuracy/held-out.sh); it is
# dropped from the pages after their text is chosen, so that setting it
# aside left the other training text as it was. PELLAR_TRAIN_JOBS sets the
# number of rendering jobs (default: the number of cores);
# PELLAR_KEEP_TRAINING_PAGES=1 keeps the rendered pages in WORK_DIR/pages.
#
#   build-default-library.sh TRAIN_EXE OUT_DIR WORK_DIR SHARED_DIR [CONFIG]
set -euo pipefail

train="$1"
out="$2"
work="$3"
shared="$4"
config="${5:-$(dirname "$0")/default-library.conf}"
jobs="${PELLAR_TRAIN_JOBS:-$(nproc)}"
held_back="$shared/dev-pages"
corpus="$shared/corpus"
start=$(date +%s)
held_out="$(dirname "$0")/held-out"
exclude=()
[ -d "$held_back" ] && exclude=(--exclude "$held_back")

font_path() {  # FILE → full path under the system font folders, or nothing
  find /usr/share/fonts -name "$1" -print -quit 2>/dev/null
}

rm -rf "$work/pages"
mkdir -p "$work/pages" "$out"
: >"$work/render-jobs"
: >"$work/correct-pages"
: >"$work/page-sets"
passes=1
wordpair_options=()
force_learn=no
line=0
while read -r kind rest; do
  line=$((line + 1))
  case "$kind" in
    '' | '#'*) continue ;;
    passes) passes="$rest"; continue ;;
    force-learn) force_learn="$rest"; continue ;;
    wordpairs) read -r -a wordpair_options <<<"$rest"; continue ;;
    page) ;;
    *) echo "$config:$line: unknown entry $kind" >&2; exit 1 ;;
  esac
  # page NAME FONT[:FACE] SIZE DPI SOURCE CHARS CORRECT [render options...]
  read -r name font size dpi source chars correct options <<<"$rest"
  file="${font%%:*}"
  face=0
  [[ "$font" == *:* ]] && face="${font##*:}"
  path="$(font_path "$file")"
  if [ -z "$path" ]; then
    echo "default library: font $file not installed, skipping $name" >&2
    continue
  fi
  case "$source" in
    grid) text=(--grid) ;;
    luxun | debian-docs) text=(--text "$corpus/$source.txt" --chars "$chars" "${exclude[@]}" --hold-out "$held_out") ;;
    *) echo "$config:$line: unknown text source $source" >&2; exit 1 ;;
  esac
  echo "$train render --font $path:$face --size $size --dpi $dpi ${text[*]} --seed $line" \
    "--out $work/pages --name $name ${options:-}" >>"$work/render-jobs"
  echo "$name" >>"$work/page-sets"
  [ "$correct" = yes ] && echo "$name" >>"$work/correct-pages"
done <"$config"

echo "default library: rendering $(wc -l <"$work/render-jobs") page sets"
xargs -P "$jobs" -I{} sh -c '{} >/dev/null' <"$work/render-jobs"

echo "default library: Word.Dat"
"$train" wordpairs --out "$work/Word.Dat" "${exclude[@]}" --exclude "$held_out" "${wordpair_options[@]}" \
  "$corpus/luxun.txt" "$corpus/debian-docs.txt"

# Pages are taught set by set in the order of the configuration.
learn=()
while read -r name; do
  for page in "$work/pages/$name"-*.bmp; do learn+=("$page"); done
done <"$work/page-sets"
correct=()
while read -r name; do
  for page in "$work/pages/$name"-*.bmp; do correct+=(--correct "$page"); done
done <"$work/correct-pages"

echo "default library: learning from ${#learn[@]} pages"
"$train" learn --out "$work/library" --force-learn "$force_learn" --word-pairs "$work/Word.Dat" \
  --passes "$passes" "${correct[@]}" "${learn[@]}"

for f in "$work/library"/ZEZID.D* "$work/Word.Dat"; do
  cp "$f" "$out/.$(basename "$f").tmp"
  mv "$out/.$(basename "$f").tmp" "$out/$(basename "$f")"
done
"$train" stats --library "$out" --word-pairs "$out/Word.Dat" | tail -2
# The pages (some 400 MB) are only needed again for the next training.
[ "${PELLAR_KEEP_TRAINING_PAGES:-0}" = 1 ] || rm -rf "$work/pages"
echo "default library: done in $(($(date +%s) - start)) s"
