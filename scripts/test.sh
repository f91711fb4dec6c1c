#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole test suite headless:
# the Release suite, the Debian package (checked by lintian when it is installed), the unit tests
# again under AddressSanitizer and UndefinedBehaviorSanitizer, and the fuzz targets (tables,
# pictures, sounds, input scripts), built with them, for about 10 s each. Ends with the time each
# step took.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
# The configurations are the presets of CMakePresets.json, read from the source folder.
cd "$root"
jobs="$(nproc)"
bash "$root/scripts/deps.sh"

# Compiler output is kept between runs where ccache is installed; paths inside the checkout count
# from its root, so that another clone of the same sources finds the same results. The tests'
# precompiled header is cached only when ccache is told not to look into it for dates and
# definitions (the tests use neither).
cache=()
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR="$root" CCACHE_SLOPPINESS="${CCACHE_SLOPPINESS:-pch_defines,time_macros}"
  cache=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi

# No test may reach a real display or sound card.
unset DISPLAY WAYLAND_DISPLAY
export LIBGL_ALWAYS_SOFTWARE=1 ALSOFT_DRIVERS=null

# step NAME COMMAND...: runs the command and notes its wall and processor seconds (user + system,
# of every program it started) for the table at the end.
steps=()
ticks="$(getconf CLK_TCK)"
children_seconds() { awk -v t="$ticks" '{ print ($16 + $17) / t }' "/proc/$1/stat"; }
step() {
  local name="$1" self="$BASHPID" start processor
  shift
  start="$(date +%s.%N)"
  processor="$(children_seconds "$self")"
  "$@"
  steps+=("$(awk -v n="$name" -v w="$(date +%s.%N)" -v s="$start" -v p="$(children_seconds "$self")" -v q="$processor" \
    'BEGIN { printf "%-20s %7.1f %9.1f", n, w - s, p - q }')")
}

# beside NAME COMMAND...: runs the step in the background, in a process group of its own that is
# stopped with the script, its output kept for join_beside. For steps that leave a processor idle.
background=""
background_log="$root/build/beside.log"
beside() {
  mkdir -p "$root/build"
  set -m
  (
    steps=()
    step "$@" >"$background_log" 2>&1
    printf '%s\n' "${steps[@]}" >"$background_log.time"
  ) &
  background=$!
  set +m
}
trap '[[ -z "$background" ]] || kill -- -"$background" 2>/dev/null || true' EXIT
# join_beside: waits for the step begun with beside, shows its output and adds it to the table.
join_beside() {
  local status=0
  wait "$background" || status=$?
  background=""
  cat "$background_log"
  if ((status != 0)); then
    echo "test.sh: a step run beside the others failed" >&2
    return 1
  fi
  steps+=("$(cat "$background_log.time")")
}

echo "== Formatting"
step format bash scripts/format.sh --check

echo "== Release build and full suite"
step release-configure cmake --preset release "${cache[@]}" >/dev/null
step release-build cmake --build "$root/build/release" -j "$jobs"
# One test more than cores: the tests in real windows spend most of their time waiting for the
# next frame of a 60 Hz clock, and the other tests use the processor meanwhile.
step release-tests ctest --test-dir "$root/build/release" --no-tests=error --output-on-failure -j "$((jobs + 1))" -LE fuzz

# The package is made on one processor, beside the sanitizer build.
package=false
if command -v cpack >/dev/null && command -v dpkg-shlibdeps >/dev/null; then
  package=true
  beside "package (beside)" bash "$root/scripts/package.sh"
else
  echo "== Debian package"
  echo "skipped: cpack and dpkg-shlibdeps are needed (Debian packages cmake and dpkg-dev)"
fi

echo "== Sanitizer build"
# A sanitizer build an older checkout configured with GCC is configured afresh: told of another
# compiler, CMake empties its cache, the preset's settings with it.
fresh=()
if [[ -f build/sanitize/CMakeCache.txt ]] &&
  ! grep -q '^CMAKE_CXX_COMPILER:[A-Z]*=/usr/bin/clang++$' build/sanitize/CMakeCache.txt; then
  fresh=(--fresh)
fi
step sanitize-configure cmake --preset sanitize "${fresh[@]}" "${cache[@]}" >/dev/null
step sanitize-build cmake --build "$root/build/sanitize" -j "$jobs" --target unit_tests fuzz_targets
if "$package"; then
  echo "== Debian package"
  join_beside
fi

# One run for both: the soak tests keep one processor busy most of the time, and the fuzz targets,
# each fuzzing for a fixed time on one processor, fill the other.
echo "== Unit tests under AddressSanitizer and UndefinedBehaviorSanitizer, and the fuzz targets"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  step sanitize-fuzz-tests ctest --test-dir "$root/build/sanitize" --no-tests=error --output-on-failure -j "$jobs" -L 'unit|fuzz'

echo "== Time per step (seconds)"
printf '%-20s %7s %9s\n' step wall processor
printf '%s\n' "${steps[@]}"
