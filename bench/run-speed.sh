#!/bin/sh
# Times the recognition run on the developer pages (or the pages given).
#   bench/run-speed.sh [BUILD_DIR] [--library DIR] [--runs N] [PAGE...]
# BUILD_DIR defaults to build/ beside this folder; the pages default to every
# page image of ../shared/dev-pages. The library is the one in BUILD_DIR/bin
# unless --library names another.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
if [ $# -gt 0 ] && [ -d "$1" ] && [ -x "$1/bin/pellar_speed_bench" ]; then
  build=$1
  shift
fi
bench=$build/bin/pellar_speed_bench
if [ ! -x "$bench" ]; then
  cmake --build "$build" --target pellar_speed_bench >/dev/null
fi
pages_given=no
skip=no
for arg in "$@"; do
  if [ "$skip" = yes ]; then
    skip=no
    continue
  fi
  case $arg in
    --library | --runs) skip=yes ;;
    -*) ;;
    *) pages_given=yes ;;
  esac
done
if [ "$pages_given" = yes ]; then
  exec "$bench" "$@"
fi
exec "$bench" "$@" $(find "$root/../shared/dev-pages" -name '*.png' | sort)
