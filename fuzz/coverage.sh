#!/usr/bin/env bash
# Line coverage of model/ and files/ by the committed fuzz corpus: builds the targets
# with clang's source-based coverage, replays every corpus input once and prints
# llvm-cov's report. Run from anywhere: fuzz/coverage.sh
set -euo pipefail
cd "$(dirname "$0")/.."
out=build-fuzz-coverage
rm -rf "$out" && mkdir -p "$out"
sources=(language/*.cpp model/*.cpp engine/*.cpp files/*.cpp $(ls batch/*.cpp | grep -v /main.cpp))
# The version header CMake would generate.
mkdir -p "$out/generated"
sed 's/@PROJECT_VERSION@/fuzz/' cmake/platecam_version.h.in > "$out/generated/platecam_version.h"
flags=(-std=c++20 -O1 -g -I. -I"$out/generated" -fsanitize=fuzzer -fprofile-instr-generate -fcoverage-mapping)
objects=()
for target in fuzz_texts fuzz_file fuzz_batch_options fuzz_document; do
  clang++ "${flags[@]}" "fuzz/$target.cpp" "${sources[@]}" -lacl -o "$out/$target"
  LLVM_PROFILE_FILE="$out/$target.profraw" "$out/$target" -runs=0 fuzz/corpus/"$target" \
    > "$out/$target.log" 2>&1
  objects+=(-object "$out/$target")
done
llvm-profdata merge -sparse "$out"/*.profraw -o "$out/all.profdata"
llvm-cov report "${objects[@]:1}" -instr-profile="$out/all.profdata" \
  $(ls model/*.cpp files/*.cpp)
