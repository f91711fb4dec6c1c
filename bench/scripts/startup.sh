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
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
wall="$(awk '{ print $1 }' "$results" | median)"
cpu="$(awk '{ print $2 + $3 }' "$results" | median)"
peak="$(awk '{ print $4 }' "$results" | median)"
echo "start to first level frame, median of $runs runs: wall $wall s, cpu $cpu s, peak $((peak / 1024)) MiB"
