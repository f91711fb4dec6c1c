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
  # One clang-format for every file: starting one per file costs twenty times the checking.
  status=0
  report="$(clang-format --dry-run --Werror "${files[@]}" 2>&1 >/dev/null)" || status=$?
  if ((status != 0)); then
    mapfile -t unformatted < <(sed -n 's/^\(.*\):[0-9]*:[0-9]*: error: code should be clang-formatted.*/\1/p' \
      <<<"$report" | sort -u)
    if ((${#unformatted[@]})); then
      printf 'not formatted (run scripts/format.sh): %s\n' "${unformatted[@]}" >&2
    else
      printf '%s\n' "$report" >&2
    fi
    exit 1
  fi
  echo "all ${#files[@]} sources formatted"
else
  clang-format -i "${files[@]}"
fi
