#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer on) into build-fuzz and runs each one for a few
# seconds from a freshly made seed corpus: the picture readers and the whole
# loader, the library tables, Word.Dat, ground-truth learning on a page and
# the recognition run. A crash, leak, timeout or memory
# blow-up fails the script and leaves the reproducer in build-fuzz/fuzz-out.
#   PELLAR_FUZZ_SECONDS (default 10) sets the run time of each target.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-fuzz"
seconds="${PELLAR_FUZZ_SECONDS:-10}"
targets=(fuzz_bmp fuzz_dib fuzz_psd fuzz_load fuzz_table fuzz_word_pairs fuzz_ground_truth fuzz_recognise)

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPELLAR_FUZZ=ON -DPELLAR_SANITIZE=ON \
  -DCMAKE_C_FLAGS=-fsanitize=fuzzer-no-link -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}" -- --no-print-directory >/dev/null

corpus="$build/fuzz-corpus"
rm -rf "$corpus"
"$root/tests/fuzz/make-corpus.sh" "$corpus"
mkdir -p "$build/fuzz-out"
for target in "${targets[@]}"; do
  work="$build/fuzz-work/$target"
  mkdir -p "$work"
  echo "-- $target (${seconds}s)"
  (cd "$build/fuzz-out" &&
    "$build/bin/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2560 -malloc_limit_mb=1536 \
      -print_final_stats=1 "$work" "$corpus/$target" >"$build/fuzz-out/$target.log" 2>&1) || {
    tail -n 40 "$build/fuzz-out/$target.log"
    echo "fuzz target $target failed" >&2
    exit 1
  }
  grep -E "stat::number_of_executed_units|stat::peak_rss_mb" "$build/fuzz-out/$target.log" | tr '\n' ' '
  echo
done
