#!/usr/bin/env bash
# Wall time of every frame the game presents headless, per screen: p50, p99 and max in ms.
#
# Usage: bench/scripts/frame_times.sh [BUILD_DIR]   (default build/release, assets generated)
#
# FRAME_TIMES_KEEP=DIR keeps the per-frame file DIR/frames.txt, to find which frames were slow, with
# each run's times and output. Its lines, "screen wall-ms processor-ms", are the frames after each
# run's first, the runs one after another: line n is frame n + 1 of the first run.
#
# Three runs of the real program walk the whole flow: the intro unskipped, the menu with its pulse
# and fades, the high scores, instructions and credits, the name prompt and a game of level 1 with
# a lost life; level 15 with a lost life; the boss level with a lost life. A frame's time is the
# wall time between its trace line and the one before, read as each line is written, and the
# processor time all its threads took meanwhile.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(cd "${1:-build/release}" 2>/dev/null && pwd) || { echo "frame_times.sh: no build folder ${1:-build/release}" >&2; exit 1; }
program=$build/krellix
[[ -x $program && -d $build/data/images ]] || { echo "frame_times.sh: build $build and its assets first" >&2; exit 1; }

scratch=$(mktemp -d)
keep=${FRAME_TIMES_KEEP:-}
# The kept files are copied out however the script ends, also when a run failed.
trap '[[ -n $keep ]] && mkdir -p "$keep" && cp "$scratch"/*.times "$scratch"/*.out "$scratch"/frames.txt "$keep"/ 2>/dev/null; rm -rf "$scratch"' EXIT
# The tables a run saves stay in the scratch folder.
ln -s "$build/data/images" "$scratch/images"
ln -s "$build/data/sounds" "$scratch/sounds"

# Frame numbers count from the start of the program. Keys: 13 Enter, 27 Escape, 32 Space,
# 40 Down; the intro runs to its end by itself.
cat >"$scratch/front.txt" <<'EOF'
# High scores (entry 5): four steps down from Continue, once the menu has faded in.
5400 keydown 40
5435 keyup 40
5500 keydown 13
5501 keyup 13
5800 keydown 13
5801 keyup 13
# Instructions, then credits (one step down each).
6050 keydown 40
6051 keyup 40
6100 keydown 13
6101 keyup 13
6400 keydown 13
6401 keyup 13
6600 keydown 40
6601 keyup 40
6650 keydown 13
6651 keyup 13
6950 keydown 13
6951 keyup 13
# New Game (entry 2, five steps up), a name, then level 1: launch and lose the ball.
7350 keydown 38
7395 keyup 38
7450 keydown 13
7451 keyup 13
7650 char 75
7660 keydown 13
7661 keyup 13
7900 keydown 32
7901 keyup 32
7902 mousemove 40 700
EOF
printf '70 keydown 32\n71 keyup 32\n72 mousemove 40 700\n' >"$scratch/lose.txt"

# Runs the program with the options and the script, writing "seconds trace-line" per frame.
run()
{
    local name=$1 script=$2
    shift 2
    mkfifo "$scratch/$name.fifo"
    "$program" --headless --data "$scratch" --input "$scratch/$script" --trace "$scratch/$name.fifo" "$@" \
        >"$scratch/$name.out" 2>&1 &
    local pid=$!
    # Processor time of all the program's threads so far, in nanoseconds, beside the wall clock.
    local line cpu ns rest task
    while IFS= read -r line; do
        cpu=0
        for task in /proc/"$pid"/task/*/schedstat; do
            read -r ns rest 2>/dev/null <"$task" && cpu=$((cpu + ns))
        done
        printf '%s %s %s\n' "$EPOCHREALTIME" "$cpu" "$line"
    done <"$scratch/$name.fifo" >"$scratch/$name.times"
    wait "$pid" || { echo "frame_times.sh: run $name failed:" >&2; cat "$scratch/$name.out" >&2; exit 1; }
}

run front front.txt --frames 8400
run level15 lose.txt --level 15 --frames 600
run level33 lose.txt --level 33 --frames 600

# One "screen wall-ms processor-ms" line per frame after the first of a run; level frames are told apart
# by the play mode (0 intro, 1 start, 2 start again, 3 life lost, 8 playing).
for name in front level15 level33; do
    awk '{
        t = $1 + 0
        screen = $0; sub(/.*"screen":"/, "", screen); sub(/".*/, "", screen)
        if (screen == "intro" && match($0, /"introStage":[0-9]+/)) screen = "intro" substr($0, RSTART + 13, RLENGTH - 13)
        if (screen == "level") {
            level = $0; sub(/.*"level":/, "", level); sub(/,.*/, "", level)
            mode = $0; sub(/.*"GameMode":/, "", mode); sub(/,.*/, "", mode)
            screen = "level" level "-mode" mode
        }
        cpu = $2 / 1e6
        # A thread that ended takes its time along: such a frame counts nothing.
        if (NR > 1) printf "%s %.3f %.3f\n", screen, (t - previous) * 1000, (cpu > previousCpu ? cpu - previousCpu : 0)
        previous = t
        previousCpu = cpu
    }' "$scratch/$name.times"
done >"$scratch/frames.txt"

# Per screen: frames, wall p50 / p99 / max, frames over 16.7 ms of wall time, processor p50 / p99 / max.
summary()
{
    awk -v column="$1" '{ print $1, $column }' "$scratch/frames.txt" | sort -k1,1 -k2,2g | awk '
        function report() {
            if (n == 0) return
            over = 0
            for (i = 1; i <= n; ++i) if (v[i] > 16.7) ++over
            printf "%s %d %.2f %.2f %.2f %d\n", label, n, v[int(n * 50 / 100) + 1], v[int(n * 99 / 100) + 1], v[n], over
        }
        $1 != label { report(); label = $1; n = 0 }
        { v[++n] = $2 }
        END { report() }'
}
printf '%-16s %6s | %-31s | %s\n' "" "" "wall ms" "processor ms, all threads"
printf '%-16s %6s | %7s %7s %7s %6s | %7s %7s %7s\n' screen frames p50 p99 max '>16.7' p50 p99 max
join <(summary 2) <(summary 3) | awk '{ printf "%-16s %6d | %7.2f %7.2f %7.2f %6d | %7.2f %7.2f %7.2f\n", $1, $2, $3, $4, $5, $6, $8, $9, $10 }'
