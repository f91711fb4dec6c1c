#!/usr/bin/env bash
# Peak memory (VmHWM) in a 1024 x 768 window on the software renderer, against a bare SDL program
# that only opens such a window and presents 60 frames, measured in the same sitting:
#   bare      the bare window (median of three runs)
#   one quad  the bare window also drawing one blended textured quad a frame: what the software
#             renderer takes for the first thing drawn, which any program drawing anything pays
#   menu      the real program: start-up, the intro skipped with Space, ten seconds of the menu
#   level N   the real program playing level N from its start for five seconds (--level N)
#   walk      one process in a window with the sound device's driver: start-up as --level 1 has it,
#             levels 1 to 32 played two seconds each, then the boss level through its explosion
#             (bench_game's memory bench, argument 1)
# and each one's difference to the bare window.
# Usage: bench/scripts/window_memory.sh [BUILD_DIR] [LEVEL...]   (default levels: 1 15 32)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(cd "${1:-build/release}" 2>/dev/null && pwd) || { echo "window_memory.sh: no build folder ${1:-build/release}" >&2; exit 1; }
shift || true
if [[ $# -gt 0 ]]; then levels=("$@"); else levels=(1 15 32); fi
for program in krellix bench/window/bench_bare_window bench/game/bench_game; do
  [[ -x $build/$program ]] || { echo "window_memory.sh: build $program first (and the assets)" >&2; exit 1; }
done

export LIBGL_ALWAYS_SOFTWARE=1 ALSOFT_DRIVERS=null
display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
scratch=$(mktemp -d)
trap 'kill "$xvfb" 2>/dev/null || true; rm -rf "$scratch"' EXIT
sleep 1
export DISPLAY="$display"
# The tables a run saves stay in the scratch folder.
ln -s "$build/data/images" "$scratch/images"
ln -s "$build/data/sounds" "$scratch/sounds"

# The peak of the command's process in MiB.
peak() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -1 | awk '{ printf "%.1f", $1 / 1024 }'; }

bares=()
for run in 1 2 3; do bares+=("$(peak "$build/bench/window/bench_bare_window")"); done
bare=$(printf '%s\n' "${bares[@]}" | sort -n | sed -n 2p)
report() { awk -v what="$1" -v mib="$2" -v bare="$bare" 'BEGIN { printf "%-22s %7.1f MiB  %+7.1f MiB\n", what, mib, mib - bare }'; }
printf '%-22s %7s      %s\n' "" peak "above the bare window"
report "bare window" "$bare"
report "bare window, one quad" "$(peak "$build/bench/window/bench_bare_window" --quad)"

# Space skips the intro once loading is over; then ten seconds of the menu, its pulse running.
printf '200 keydown 32\n205 keyup 32\n' >"$scratch/menu.txt"
report "menu" "$(peak "$build/krellix" --window --data "$scratch" --input "$scratch/menu.txt" --frames 900)"
for level in "${levels[@]}"; do
  report "level $level" "$(peak "$build/krellix" --window --data "$scratch" --level "$level" --frames 300)"
done

walk=$("$build/bench/game/bench_game" --benchmark_filter='MemoryThroughTheGame/1' --benchmark_format=csv 2>/dev/null)
counter() { awk -F, -v name="$1" 'NR == 1 { gsub(/"/, ""); for (i = 1; i <= NF; ++i) if ($i == name) c = i } NR == 2 { print $c }' <<<"$walk"; }
report "walk: start-up" "$(counter peak_startup_MiB)"
report "walk: levels 1-32" "$(counter peak_levels_MiB)"
report "walk: boss explosion" "$(counter peak_boss_MiB)"
