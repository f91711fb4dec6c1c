#!/usr/bin/env bash
# Start to the first frame after loading, and the peak memory on the way: runs
# "krellix --headless --level 1 --frames 3" (the blank frame, "Loading...", then the level's
# first frame) several times and prints the median wall and processor seconds and peak memory.
# Usage: bench/scripts/startup.sh [BUILD_DIR] [RUNS]
set -euo pipefail
build="$(cd "${1:-$(dirname "$0")/../../build/release}" && pwd)"
runs="${2:-9}"
export LIBGL_ALWAYS_SOFTWARE=1 ALSOFT_DRIVERS=null
unset DISPLAY WAYLAND_DISPLAY
results="$(mktemp)"
trap 'rm -f "$results"' EXIT
for _ in $(seq "$runs"); do
  /usr/bin/time -f "%e %U %S %M" -a -o "$results" \
    "$build/krellix" --headless --level 1 --frames 3 --data "$build/data" >/dev/null 2>&1 || true
done
sort -n "$results" | awk -v runs="$runs" '
  { wall[NR] = $1; cpu[NR] = $2 + $3; rss[NR] = $4 }
  END {
    n = asort(cpu); asort(rss)
    printf "start to first level frame over %d runs: median wall %.2f s, median cpu %.2f s, median peak %.0f MiB\n",
      runs, wall[int((NR + 1) / 2)], cpu[int((n + 1) / 2)], rss[int((n + 1) / 2)] / 1024
  }'
