#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a fixed number of runs on a
# copy of its committed corpus (the smoke test of ./test.sh).
#   fuzz/build_and_run.sh 5000000          a longer run
#   FUZZ_SECONDS=1800 fuzz/build_and_run.sh  each target for half an hour
set -euo pipefail
cd "$(dirname "$0")/.."
runs="${1:-20000}"
out=build-fuzz
mkdir -p "$out"
sources=(language/*.cpp model/*.cpp engine/*.cpp files/*.cpp $(ls batch/*.cpp | grep -v /main.cpp))
# The version header CMake would generate.
mkdir -p "$out/generated"
sed 's/@PROJECT_VERSION@/fuzz/' cmake/platecam_version.h.in > "$out/generated/platecam_version.h"
flags=(-std=c++20 -O2 -g -I. -I"$out/generated" -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)
limit=()
[ -n "${FUZZ_SECONDS:-}" ] && { runs=-1; limit=(-max_total_time="$FUZZ_SECONDS"); }
for target in fuzz_texts fuzz_file fuzz_batch_options fuzz_document; do
  clang++ "${flags[@]}" "fuzz/$target.cpp" "${sources[@]}" -lacl -o "$out/$target"
  corpus="$out/corpus-$target"
  mkdir -p "$corpus"
  cp fuzz/corpus/"$target"/* "$corpus"/
  echo "== $target: ${FUZZ_SECONDS:-$runs} ${FUZZ_SECONDS:+s}${FUZZ_SECONDS:-runs}"
  if ! "$out/$target" -runs="$runs" "${limit[@]}" -max_len=2048 -print_final_stats=1 \
       -artifact_prefix="$out/$target-" "$corpus" > "$out/$target.log" 2>&1; then
    tail -n 40 "$out/$target.log"
    echo "fuzz target $target failed; the input is in $out/"
    exit 1
  fi
  grep -E 'stat::number_of_executed_units|stat::peak_rss|Done' "$out/$target.log"
done
