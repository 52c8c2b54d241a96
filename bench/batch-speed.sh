#!/usr/bin/env bash
# Pages per second of whole pellarocr-cli batches (start-up, loading,
# preparation, recognition and output, wall clock) over a page set with 1, 2
# and all cores' worth of jobs; and the size of a searchable PDF per page.
#
#   bench/batch-speed.sh [BUILD] [--library LIB] [--pages PAGES] [--runs N]
#
# BUILD defaults to build/, LIB to BUILD/bin, PAGES to ../shared/dev-pages;
# each batch runs N times (default 3) and the median counts.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build"
library=""
pages="$root/../shared/dev-pages"
runs=3
if (($#)) && [[ "$1" != --* ]]; then build="$1"; shift; fi
while (($#)); do
  case "$1" in
    --library) library="$2"; shift 2 ;;
    --pages) pages="$2"; shift 2 ;;
    --runs) runs="$2"; shift 2 ;;
    *) sed -n '2,10p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 1 ;;
  esac
done
cli="$build/bin/pellarocr-cli"
library="${library:-$build/bin}"
[ -x "$cli" ] || { echo "batch-speed.sh: $cli not found (build first)" >&2; exit 1; }
mapfile -t images < <(find "$pages" -name '*.png' | sort)
((${#images[@]})) || { echo "batch-speed.sh: no pages in $pages" >&2; exit 1; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

echo "${#images[@]} pages, $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
cores="$(nproc)"
for jobs in $(printf '%s\n' 1 2 "$cores" | sort -nu); do
  times=()
  for ((run = 0; run < runs; run++)); do
    start=$(date +%s.%N)
    "$cli" --library "$library" -j "$jobs" -f txt -o "$work/txt" "${images[@]}" 2>/dev/null
    times+=("$(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN {print b - a}')")
  done
  median="$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p")"
  printf 'jobs %d: %.2f s for the batch, %.2f pages/s (median of %d runs)\n' "$jobs" "$median" \
    "$(awk -v n="${#images[@]}" -v t="$median" 'BEGIN {print n / t}')" "$runs"
done

"$cli" --library "$library" -f pdf -o "$work/pdf" "${images[@]}" 2>/dev/null
sizes="$(stat -c %s "$work"/pdf/*.pdf | sort -n)"
printf 'searchable PDF per page: mean %.0f KB, smallest %.0f KB, largest %.0f KB\n' \
  "$(echo "$sizes" | awk '{s += $1} END {print s / NR / 1024}')" \
  "$(echo "$sizes" | head -1 | awk '{print $1 / 1024}')" "$(echo "$sizes" | tail -1 | awk '{print $1 / 1024}')"
