#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite, then runs every test
# again, the window's included, under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/deps.sh
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
jobs="$(nproc)"

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

# What a user's system gets: desktop entry, AppStream data, man pages, the .deb.
bash scripts/check_package.sh build

# Fuzz smoke test: each libFuzzer target for a fixed number of runs.
./fuzz/build_and_run.sh 3000

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DPLATECAM_SANITIZE=ON -DPLATECAM_UI=ON >/dev/null
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions="$PWD/scripts/lsan.supp" \
  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 PLATECAM_MONKEY_ACTIONS=2000 \
  ctest --test-dir build-asan --output-on-failure -j"$jobs"
