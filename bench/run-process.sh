#!/bin/sh
# The whole command-line process on one page: processor time (user + system)
# and peak memory of `pellarocr-cli PAGE`, the median of several runs, from
# /usr/bin/time. With --peer tesseract the same page is also read by
# Tesseract (chi_sim, one thread) in the same way, for comparison.
#   bench/run-process.sh [BUILD_DIR] [--library DIR] [--runs N] [--peer tesseract] [PAGE]
# BUILD_DIR defaults to build/ beside this folder, PAGE to the first clean
# Song page of ../shared/dev-pages, N to 5.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
if [ $# -gt 0 ] && [ -d "$1" ] && [ -x "$1/bin/pellarocr-cli" ]; then
  build=$1
  shift
fi
library=$build/bin
runs=5
peer=
page=$root/../shared/dev-pages/clean-song/clean-song-01.png
while [ $# -gt 0 ]; do
  case $1 in
    --library) library=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --peer) peer=$2; shift 2 ;;
    *) page=$1; shift ;;
  esac
done

# Runs the command RUNS times; prints the median processor seconds and the
# median peak memory in MB.
measure() {
  out=/tmp/pellar-process-$$
  : >"$out.all"
  i=0
  while [ "$i" -lt "$runs" ]; do
    /usr/bin/time -f '%U %S %M' -o "$out" "$@" >/dev/null 2>&1 || true
    awk '{ printf "%.3f %.1f\n", $1 + $2, $3 / 1024 }' "$out" >>"$out.all"
    i=$((i + 1))
  done
  cpu=$(cut -d' ' -f1 "$out.all" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')
  mem=$(cut -d' ' -f2 "$out.all" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')
  printf 'processor %s s, peak memory %.0f MB (medians of %d runs)\n' "$cpu" "$mem" "$runs"
  rm -f "$out" "$out.all"
}

printf 'pellarocr-cli  %s: ' "$(basename "$page")"
measure "$build/bin/pellarocr-cli" --library "$library" "$page"
if [ "$peer" = tesseract ]; then
  printf 'tesseract      %s: ' "$(basename "$page")"
  OMP_THREAD_LIMIT=1 measure tesseract "$page" - -l chi_sim --psm 3
fi
