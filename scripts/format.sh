#!/usr/bin/env bash
# Formats every C++ source of the project with its .clang-format; with --check, changes nothing
# and fails naming each file that is not formatted.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t files < <(git ls-files '*.cpp' '*.h')
else
  mapfile -t files < <(find . -path ./build -prune -o \( -name '*.cpp' -o -name '*.h' \) -print)
fi
if [[ "${1:-}" == "--check" ]]; then
  unformatted=()
  for f in "${files[@]}"; do
    clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || unformatted+=("$f")
  done
  if ((${#unformatted[@]})); then
    printf 'not formatted (run scripts/format.sh): %s\n' "${unformatted[@]}" >&2
    exit 1
  fi
  echo "all ${#files[@]} sources formatted"
else
  clang-format -i "${files[@]}"
fi
