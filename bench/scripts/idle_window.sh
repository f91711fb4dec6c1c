#!/usr/bin/env bash
# Idle play in a window: level 1 with the ball resting on the paddle, drawn by the software
# renderer into a 1024 x 768 window of a virtual X server. Prints the game's processor time as a
# share of one core averaged over 10 seconds, once the level has faded in, and its peak memory.
# Usage: bench/scripts/idle_window.sh [BUILD_DIR] [SECONDS]
set -euo pipefail
build="$(cd "${1:-$(dirname "$0")/../../build/release}" && pwd)"
seconds="${2:-10}"
display=":$((90 + RANDOM % 100))"
export LIBGL_ALWAYS_SOFTWARE=1 ALSOFT_DRIVERS=null
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
game=""
cleanup() {
  [ -n "$game" ] && kill "$game" 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
sleep 1
DISPLAY="$display" "$build/krellix" --window --level 1 --data "$build/data" >/dev/null 2>&1 &
game=$!
sleep 4
ticks() { awk '{ print $14 + $15 }' "/proc/$game/stat"; }
hz="$(getconf CLK_TCK)"
before="$(ticks)"
sleep "$seconds"
after="$(ticks)"
peak="$(awk '/VmHWM/ { print $2 }' "/proc/$game/status")"
awk -v a="$before" -v b="$after" -v hz="$hz" -v s="$seconds" -v peak="$peak" \
  'BEGIN { printf "idle level 1 in a window: %.1f %% of one core over %d s, peak %.0f MiB\n", (b - a) / hz / s * 100, s, peak / 1024 }'
