#!/usr/bin/env bash
# Installs what is missing, builds a Release build in build/ and starts the program.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)" --target platecam
exec ./build/app/platecam "$@"
