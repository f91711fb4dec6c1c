#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole test suite headless:
# the Release suite, the Debian package (checked by lintian when it is installed), the unit tests
# again under AddressSanitizer and UndefinedBehaviorSanitizer, and the fuzz targets (tables,
# pictures, sounds, input scripts) for about 10 s each. Ends with the time each step took.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
# The configurations are the presets of CMakePresets.json, read from the source folder.
cd "$root"
jobs="$(nproc)"
bash "$root/scripts/deps.sh"

# Compiler output is kept between runs where ccache is installed; paths inside the checkout count
# from its root, so that another clone of the same sources finds the same results.
cache=()
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR="$root"
  cache=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi

# No test may reach a real display or sound card.
unset DISPLAY WAYLAND_DISPLAY
export LIBGL_ALWAYS_SOFTWARE=1 ALSOFT_DRIVERS=null

# step NAME COMMAND...: runs the command and notes its wall and processor seconds (user + system,
# of every program it started) for the table at the end.
steps=()
ticks="$(getconf CLK_TCK)"
children_seconds() { awk -v t="$ticks" '{ print ($16 + $17) / t }' "/proc/$$/stat"; }
step() {
  local name="$1" start processor
  shift
  start="$(date +%s.%N)"
  processor="$(children_seconds)"
  "$@"
  steps+=("$(awk -v n="$name" -v w="$(date +%s.%N)" -v s="$start" -v p="$(children_seconds)" -v q="$processor" \
    'BEGIN { printf "%-20s %7.1f %9.1f", n, w - s, p - q }')")
}

echo "== Formatting"
step format bash scripts/format.sh --check

echo "== Release build and full suite"
step release-configure cmake --preset release "${cache[@]}" >/dev/null
step release-build cmake --build "$root/build/release" -j "$jobs"
# One test more than cores: the tests in real windows spend most of their time waiting for the
# next frame of a 60 Hz clock, and the other tests use the processor meanwhile.
step release-tests ctest --test-dir "$root/build/release" --output-on-failure -j "$((jobs + 1))" -LE fuzz

echo "== Debian package"
if command -v cpack >/dev/null && command -v dpkg-shlibdeps >/dev/null; then
  step package bash "$root/scripts/package.sh"
else
  echo "skipped: cpack and dpkg-shlibdeps are needed (Debian packages cmake and dpkg-dev)"
fi

echo "== Unit tests under AddressSanitizer and UndefinedBehaviorSanitizer"
step sanitize-configure cmake --preset sanitize "${cache[@]}" >/dev/null
step sanitize-build cmake --build "$root/build/sanitize" -j "$jobs" --target unit_tests
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  step sanitize-tests ctest --test-dir "$root/build/sanitize" --output-on-failure -j "$jobs" -L unit

echo "== Fuzz targets"
step fuzz-configure cmake --preset fuzz "${cache[@]}" >/dev/null
# Only the fuzz targets: the instrumented system layer links into nothing else here.
step fuzz-build cmake --build "$root/build/fuzz" -j "$jobs" \
  --target fuzz_users fuzz_highscores fuzz_png fuzz_jpeg fuzz_ogg fuzz_wav fuzz_script
# Each target fuzzes for a fixed time on one core, so they run side by side.
step fuzz-tests ctest --test-dir "$root/build/fuzz" --output-on-failure -j "$jobs" -L fuzz

echo "== Time per step (seconds)"
printf '%-20s %7s %9s\n' step wall processor
printf '%s\n' "${steps[@]}"
