#!/usr/bin/env bash
# Checks that a change leaves every recognised result as it was: records the
# text and the JSON (with the feature words, without the timing) of every
# page of a page set, or compares them with such a record byte for byte.
#
#   bench/output-identity.sh record DIR [--build BUILD] [--library LIB] [--pages PAGES] [-- CLI OPTIONS]
#   bench/output-identity.sh check  DIR [--build BUILD] [--library LIB] [--pages PAGES] [-- CLI OPTIONS]
#
# BUILD defaults to build/, LIB to BUILD/bin, PAGES to ../shared/dev-pages.
# Pages are read with the command line's defaults (plus CLI OPTIONS). `check`
# prints the pages that differ and exits 1 when any does.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
mode="${1:-}"
dir="${2:-}"
case "$mode" in
  record | check) ;;
  *) sed -n '2,11p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 1 ;;
esac
[ -n "$dir" ] || { echo "output-identity.sh: DIR missing" >&2; exit 1; }
shift 2
build="$root/build"
library=""
pages="$root/../shared/dev-pages"
extra=()
while (($#)); do
  case "$1" in
    --build) build="$2"; shift 2 ;;
    --library) library="$2"; shift 2 ;;
    --pages) pages="$2"; shift 2 ;;
    --) shift; extra=("$@"); break ;;
    *) echo "output-identity.sh: unknown option $1" >&2; exit 1 ;;
  esac
done
cli="$build/bin/pellarocr-cli"
library="${library:-$build/bin}"
[ -x "$cli" ] || { echo "output-identity.sh: $cli not found (build first)" >&2; exit 1; }

target="$dir"
if [ "$mode" = check ]; then
  [ -d "$dir" ] || { echo "output-identity.sh: no record in $dir" >&2; exit 1; }
  target="$(mktemp -d)"
  trap 'rm -rf "$target"' EXIT
fi
mkdir -p "$target"

cli="$(cd "$(dirname "$cli")" && pwd)/pellarocr-cli"
library="$(cd "$library" && pwd)"
target="$(cd "$target" && pwd)"
dir="$(cd "$dir" && pwd)"
# Pages are named relative to the page set, so that records made from two
# checkouts compare equal.
cd "$pages"
mapfile -t images < <(find . -mindepth 2 -maxdepth 2 \( -name '*.png' -o -name '*.bmp' -o -name '*.tif' \) |
  sed 's|^\./||' | sort)
((${#images[@]})) || { echo "output-identity.sh: no pages in $pages" >&2; exit 1; }
for image in "${images[@]}"; do
  stem="$(basename "${image%.*}")"
  "$cli" --library "$library" "${extra[@]}" "$image" >"$target/$stem.txt" 2>"$target/$stem.err" || true
  # The timing is the only part of the JSON that may change from run to run.
  "$cli" --library "$library" --format json --json-features "${extra[@]}" "$image" 2>/dev/null |
    sed -E 's/"seconds": *[0-9.eE+-]+/"seconds":0/' >"$target/$stem.json" || true
done

if [ "$mode" = record ]; then
  echo "recorded ${#images[@]} pages in $dir"
  exit 0
fi
different=0
for image in "${images[@]}"; do
  stem="$(basename "${image%.*}")"
  for kind in txt json; do
    if ! cmp -s "$dir/$stem.$kind" "$target/$stem.$kind"; then
      echo "differs: $stem.$kind"
      different=1
    fi
  done
done
if ((different)); then
  exit 1
fi
echo "identical: ${#images[@]} pages, text and JSON"
