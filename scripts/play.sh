#!/usr/bin/env bash
# Installs what is missing, builds Krellix in Release and starts it in its data folder.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/deps.sh"
# The same configuration as the test command, so the two never make each other rebuild.
cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DKRELLIX_TESTS=ON -DKRELLIX_BENCH=ON -DKRELLIX_ASSETS=ON >/dev/null
cmake --build "$root/build/release" --target krellix assets
cd "$root/build/release/data"
exec ../krellix "$@"
