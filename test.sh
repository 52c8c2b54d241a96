#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the normal build,
# the AddressSanitizer build and the fuzz smoke runs.
set -euo pipefail
source "$(dirname "$0")/tools/setup.sh"
pellar_install_packages
jobs="$(nproc)"
# No test takes more than a minute or two; one that runs for ten has hung.
# It is stopped, reported with its output, and given one more try.
ctest_options=(--output-on-failure -j"$jobs" --timeout 600 --repeat after-timeout:2)

echo "== build"
pellar_build "$PELLAR_ROOT/build"
echo "== tests"
ctest --test-dir "$PELLAR_ROOT/build" "${ctest_options[@]}"

echo "== tests under AddressSanitizer and UndefinedBehaviorSanitizer"
pellar_build "$PELLAR_ROOT/build-asan" -DPELLAR_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
ASAN_OPTIONS=detect_leaks=1 ctest --test-dir "$PELLAR_ROOT/build-asan" "${ctest_options[@]}" -LE slow

if [ -x "$PELLAR_ROOT/tools/fuzz-smoke.sh" ]; then
  echo "== fuzz smoke runs"
  "$PELLAR_ROOT/tools/fuzz-smoke.sh"
fi
echo "== all tests passed"
