#!/usr/bin/env bash
# Line coverage of model/, files/, batch/ and engine/ by the committed fuzz corpus: builds
# the targets with clang's source-based coverage, replays every corpus input once and
# prints llvm-cov's report, file by file, then the total of each folder and of all four.
# Run from anywhere: fuzz/coverage.sh   (COVERAGE_SHOW=batch/json.cpp also shows the lines)
set -euo pipefail
cd "$(dirname "$0")/.."
out=build-fuzz-coverage
rm -rf "$out" && mkdir -p "$out"
targets=(fuzz_texts fuzz_file fuzz_batch_options fuzz_document fuzz_batch_run)
flags=(-O1 -g -fprofile-instr-generate -fcoverage-mapping)
source fuzz/compile.sh
BuildFuzzObjects "$out" -fsanitize=fuzzer-no-link "${flags[@]}"
objects=()
for target in "${targets[@]}"; do
  LinkFuzzTarget "$out" "$target" -fsanitize=fuzzer "${flags[@]}"
  LLVM_PROFILE_FILE="$out/$target.profraw" "$out/bin/$target" -runs=0 fuzz/corpus/"$target" \
    > "$out/$target.log" 2>&1
  objects+=(-object "$out/bin/$target")
done
llvm-profdata merge -sparse "$out"/*.profraw -o "$out/all.profdata"
cover() { llvm-cov "$1" "${objects[@]:1}" -instr-profile="$out/all.profdata" "${@:2}"; }
folders=(model files batch engine)
sources=()
for folder in "${folders[@]}"; do
  sources+=($(ls "$folder"/*.cpp | grep -v '^batch/main.cpp$'))
done
cover report "${sources[@]}"
echo
printf '%-8s %s\n' folder "$(cover report "${sources[@]}" | head -n 1 | sed 's/^Filename *//')"
for folder in "${folders[@]}"; do
  printf '%-8s %s\n' "$folder/" \
    "$(cover report $(ls "$folder"/*.cpp | grep -v '^batch/main.cpp$') | tail -n 1 | sed 's/^TOTAL *//')"
done
printf '%-8s %s\n' all "$(cover report "${sources[@]}" | tail -n 1 | sed 's/^TOTAL *//')"
[ -n "${COVERAGE_SHOW:-}" ] && cover show -show-line-counts-or-regions $COVERAGE_SHOW
exit 0
