#!/usr/bin/env bash
# Installs what is missing, builds Krellix in Release and starts it in its data folder.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/deps.sh"
# The same configuration (the release preset) as the test command, so the two never make each
# other rebuild.
(cd "$root" && cmake --preset release >/dev/null)
cmake --build "$root/build/release" --target krellix assets
cd "$root/build/release/data"
exec ../krellix "$@"
