#!/usr/bin/env bash
# CPU time of a whole platecam-batch process, this tree against an earlier release.
#
# Builds platecam-batch from BASE (default 8de1223, release 1.1.0) and from the working
# tree, each in a Release build of its own, then runs the two alternately on the
# start-up design (tests/data/cam1.dat): `cam1.dat --check --resolution R`, output to
# /dev/null. Each run's CPU time is the child's user + system time (wait4's rusage).
# Prints both medians and their ratio; exits 1 when the ratio exceeds --limit (default
# 1: no slower than release 1.1.0, although a run now also checks on the 0.05° grid).
#
#   scripts/compare_process_cost.sh [--pairs N] [--resolution R] [--base COMMIT]
#       [--limit X] [--workdir DIR] [--base-binary PATH] [--current-binary PATH]
#
# --workdir keeps the builds between runs (default: a temporary folder, removed after);
# --base-binary / --current-binary measure given binaries instead of building them.
set -euo pipefail

pairs=101
resolution=0.2
base=8de1223
limit=1.0
workdir=
base_binary=
current_binary=
while [ $# -gt 0 ]; do
  case "$1" in
    --pairs) pairs=$2; shift 2 ;;
    --resolution) resolution=$2; shift 2 ;;
    --base) base=$2; shift 2 ;;
    --limit) limit=$2; shift 2 ;;
    --workdir) workdir=$2; shift 2 ;;
    --base-binary) base_binary=$2; shift 2 ;;
    --current-binary) current_binary=$2; shift 2 ;;
    *) echo "unknown argument: $1" >&2; exit 2 ;;
  esac
done

tree=$(git -C "$(dirname "$0")" rev-parse --show-toplevel)
if [ -z "$workdir" ]; then
  workdir=$(mktemp -d /tmp/platecam-process-cost.XXXXXX)
  trap 'rm -rf "$workdir"' EXIT
fi
mkdir -p "$workdir"
jobs=${JOBS:-2}

build() {  # source-dir build-dir
  cmake -S "$1" -B "$2" -DCMAKE_BUILD_TYPE=Release -DPLATECAM_UI=OFF -DPLATECAM_BENCH=OFF \
    >"$2.configure.log" 2>&1 || { cat "$2.configure.log" >&2; exit 1; }
  cmake --build "$2" -j"$jobs" --target platecam-batch >"$2.build.log" 2>&1 ||
    { tail -50 "$2.build.log" >&2; exit 1; }
}

if [ -z "$base_binary" ]; then
  # The commit's own tree, exported read-only from the repository (no worktree to
  # register or clean up in the shared repository).
  commit=$(git -C "$tree" rev-parse --verify "$base^{commit}")
  if [ ! -f "$workdir/base-$commit/CMakeLists.txt" ]; then
    rm -rf "$workdir/base-$commit"
    mkdir -p "$workdir/base-$commit"
    git -C "$tree" archive "$commit" | tar -x -C "$workdir/base-$commit"
  fi
  echo "building platecam-batch at $base ($commit)" >&2
  build "$workdir/base-$commit" "$workdir/base-$commit-build"
  base_binary="$workdir/base-$commit-build/batch/platecam-batch"
fi
if [ -z "$current_binary" ]; then
  echo "building platecam-batch from $tree" >&2
  build "$tree" "$workdir/current-build"
  current_binary="$workdir/current-build/batch/platecam-batch"
fi

design="$workdir/cam1.dat"
cp "$tree/tests/data/cam1.dat" "$design"

/usr/bin/python3 - "$base_binary" "$current_binary" "$design" "$resolution" "$pairs" "$limit" <<'EOF'
import os, statistics, sys

base, current, design, resolution, pairs, limit = sys.argv[1:7]
pairs, limit = int(pairs), float(limit)
null = [(os.POSIX_SPAWN_OPEN, 1, os.devnull, os.O_WRONLY, 0),
        (os.POSIX_SPAWN_OPEN, 2, os.devnull, os.O_WRONLY, 0)]

def run(binary):
    """CPU seconds (user + system) of one whole process; a failed run stops the script."""
    argv = [binary, design, "--check", "--resolution", resolution]
    pid = os.posix_spawn(binary, argv, os.environ, file_actions=null)
    _, status, usage = os.wait4(pid, 0)
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"{binary} failed ({status:#x}): {' '.join(argv)}")
    return usage.ru_utime + usage.ru_stime

for binary in (base, current):  # caches warm, both binaries work
    for _ in range(5):
        run(binary)
times = {base: [], current: []}
for k in range(pairs):
    # Alternate which one runs first, so that neither always follows the other.
    order = (base, current) if k % 2 == 0 else (current, base)
    for binary in order:
        times[binary].append(run(binary))

mb, mc = statistics.median(times[base]), statistics.median(times[current])
ratios = [c / b for b, c in zip(times[base], times[current])]
print(f"pairs: {pairs}, resolution {resolution}, design {os.path.basename(design)}")
print(f"base    {base}: median {mb * 1e3:.3f} ms CPU")
print(f"current {current}: median {mc * 1e3:.3f} ms CPU")
print(f"ratio of medians: {mc / mb:.3f} (median of the pairs' ratios {statistics.median(ratios):.3f}); "
      f"limit {limit}")
sys.exit(0 if mc / mb <= limit else 1)
EOF
