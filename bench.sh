#!/usr/bin/env bash
# Builds the Release tree and runs the benchmarks; prints medians of 5 repetitions.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)" --target platecam_bench
QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" ./build/bench/platecam_bench \
  --benchmark_repetitions=5 --benchmark_report_aggregates_only=true "$@" 2>&1 |
  grep -E '^(Benchmark|-|BM_.*_median)' 
