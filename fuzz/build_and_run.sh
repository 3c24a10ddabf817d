#!/usr/bin/env bash
# Builds the two libFuzzer targets with clang and runs each for a fixed number of runs
# (the smoke test of ./test.sh). A longer run: fuzz/build_and_run.sh 5000000
set -euo pipefail
cd "$(dirname "$0")/.."
runs="${1:-20000}"
out=build-fuzz
mkdir -p "$out"
sources=(model/*.cpp files/*.cpp)
flags=(-std=c++20 -O1 -g -I. -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)
for target in fuzz_texts fuzz_file; do
  clang++ "${flags[@]}" "fuzz/$target.cpp" "${sources[@]}" -o "$out/$target"
  corpus="$out/corpus-$target"
  mkdir -p "$corpus"
  cp fuzz/seeds/"$target"/* "$corpus"/
  echo "== $target: $runs runs"
  if ! "$out/$target" -runs="$runs" -max_len=2048 -print_final_stats=1 \
       -artifact_prefix="$out/$target-" "$corpus" > "$out/$target.log" 2>&1; then
    tail -n 40 "$out/$target.log"
    echo "fuzz target $target failed; the input is in $out/"
    exit 1
  fi
  grep -E 'stat::number_of_executed_units|stat::peak_rss|Done' "$out/$target.log"
done
