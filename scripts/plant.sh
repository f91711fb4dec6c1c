#!/usr/bin/env bash
# Plants one bug to see whether the tests catch it: replaces the one occurrence of OLD in FILE by
# NEW, builds the targets in build/release, runs one test binary (relative to build/release) with
# an optional GoogleTest filter, and puts the file back whatever happens. Prints CAUGHT with the
# failing tests, or MISSED; exits 2 when OLD is not found exactly once or the build fails.
#   scripts/plant.sh game/TTextInput.cpp '> MaxWidth' '>= MaxWidth' test_game tests/game/test_game 'FrontEnd*'
set -uo pipefail
if (($# < 5)); then
  sed -n '2,6p' "$0" >&2
  exit 2
fi
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
file=$1 targets=$4 binary=$5 filter=${6:-*}
backup=$(mktemp)
log=$(mktemp)
cp "$file" "$backup"
# A plain copy back: the restored file is newer than what was built from the planted one.
trap 'cp "$backup" "$file"; rm -f "$backup" "$log"' EXIT
if ! OLD=$2 NEW=$3 perl -0777 -i -pe 'BEGIN { $o = $ENV{OLD}; $n = $ENV{NEW} }
    my $count = () = /\Q$o\E/g; die "found $count times\n" if $count != 1; s/\Q$o\E/$n/' "$file"; then
  echo "$file: the text to replace must occur exactly once" >&2
  exit 2
fi
export CCACHE_BASEDIR="$root"
# shellcheck disable=SC2086  # several targets in one argument
if ! cmake --build build/release -j2 --target $targets >"$log" 2>&1; then
  tail -n 20 "$log" >&2
  echo "the planted build failed" >&2
  exit 2
fi
if (cd build/release && env -u DISPLAY -u WAYLAND_DISPLAY LIBGL_ALWAYS_SOFTWARE=1 ALSOFT_DRIVERS=null \
      "./$binary" --gtest_filter="$filter") >"$log" 2>&1; then
  echo "MISSED"
else
  echo "CAUGHT: $(grep '^\[  FAILED  \] [A-Za-z]' "$log" | sed 's/^\[  FAILED  \] //; s/ (.*//' | sort -u | tr '\n' ' ')"
fi
