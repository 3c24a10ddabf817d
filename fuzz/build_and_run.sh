#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a fixed number of runs on a
# copy of its committed corpus (the smoke test of ./test.sh).
#   fuzz/build_and_run.sh 5000000          a longer run
#   FUZZ_SECONDS=1800 fuzz/build_and_run.sh  each target for half an hour
#   FUZZ_TARGETS="fuzz_batch_run" fuzz/build_and_run.sh 100000   some targets only
set -euo pipefail
cd "$(dirname "$0")/.."
runs="${1:-20000}"
out=build-fuzz
targets=(${FUZZ_TARGETS:-fuzz_texts fuzz_file fuzz_batch_options fuzz_document fuzz_batch_run})
flags=(-std=c++20 -O2 -g -fsanitize=address,undefined -fno-sanitize-recover=undefined)
# Only the program's own code steers the fuzzer; the harnesses run whole, and the
# sources are compiled once for every target.
source fuzz/compile.sh
BuildFuzzObjects "$out" -fsanitize=fuzzer-no-link "${flags[@]}"
limit=()
[ -n "${FUZZ_SECONDS:-}" ] && { runs=-1; limit=(-max_total_time="$FUZZ_SECONDS"); }
for target in "${targets[@]}"; do
  LinkFuzzTarget "$out" "$target" -fsanitize=fuzzer "${flags[@]}"
  corpus="$out/corpus-$target"
  mkdir -p "$corpus"
  cp fuzz/corpus/"$target"/* "$corpus"/
  options=(-max_len=2048)
  [ -f "fuzz/$target.dict" ] && options+=(-dict="fuzz/$target.dict")
  [ -f "fuzz/$target.options" ] && read -r -a extra < "fuzz/$target.options" && options+=("${extra[@]}")
  echo "== $target: ${FUZZ_SECONDS:-$runs} ${FUZZ_SECONDS:+s}${FUZZ_SECONDS:-runs}"
  if ! "$out/bin/$target" -runs="$runs" "${limit[@]}" "${options[@]}" -print_final_stats=1 \
       -artifact_prefix="$out/$target-" "$corpus" > "$out/$target.log" 2>&1; then
    tail -n 40 "$out/$target.log"
    echo "fuzz target $target failed; the input is in $out/"
    exit 1
  fi
  grep -E 'stat::number_of_executed_units|stat::peak_rss|Done' "$out/$target.log"
done
