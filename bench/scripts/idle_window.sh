#!/usr/bin/env bash
# Idle play in a window: level 1 with the ball resting on the paddle, drawn by the software
# renderer into a 1024 x 768 window of a virtual X server. Prints the game's processor time as a
# share of one core averaged over 10 seconds, once the level has faded in, and its peak memory.
# With "menu" last, the main menu instead (the intro skipped with Space; needs xdotool).
# Usage: bench/scripts/idle_window.sh [BUILD_DIR] [SECONDS] [menu]
set -euo pipefail
build="$(cd "${1:-$(dirname "$0")/../../build/release}" && pwd)"
seconds="${2:-10}"
screen="${3:-level}"
display=":$((90 + RANDOM % 100))"
export LIBGL_ALWAYS_SOFTWARE=1 ALSOFT_DRIVERS=null
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
game=""
tables=""
cleanup() {
  [ -n "$game" ] && kill "$game" 2>/dev/null && wait "$game" 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  [ -n "$tables" ] && rm -rf "$tables" || true
}
trap cleanup EXIT
sleep 1
if [ "$screen" = menu ]; then
  # A folder of its own, so that no player's tables are read or written.
  tables="$(mktemp -d)"
  ln -s "$build/data/images" "$tables/images"
  ln -s "$build/data/sounds" "$tables/sounds"
  DISPLAY="$display" "$build/krellix" --window --data "$tables" >/dev/null 2>&1 &
  game=$!
  sleep 3
  window="$(DISPLAY="$display" xdotool search --sync --pid "$game" | tail -1)"
  DISPLAY="$display" xdotool keydown --window "$window" space
  sleep 0.5
  DISPLAY="$display" xdotool keyup --window "$window" space
  sleep 3
else
  DISPLAY="$display" "$build/krellix" --window --level 1 --data "$build/data" >/dev/null 2>&1 &
  game=$!
  sleep 4
fi
ticks() { awk '{ print $14 + $15 }' "/proc/$game/stat"; }
hz="$(getconf CLK_TCK)"
before="$(ticks)"
sleep "$seconds"
after="$(ticks)"
peak="$(awk '/VmHWM/ { print $2 }' "/proc/$game/status")"
awk -v a="$before" -v b="$after" -v hz="$hz" -v s="$seconds" -v peak="$peak" \
  -v what="$screen" 'BEGIN { printf "idle %s in a window: %.1f %% of one core over %d s, peak %.0f MiB\n", what, (b - a) / hz / s * 100, s, peak / 1024 }'
