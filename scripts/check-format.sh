#!/usr/bin/env bash
# Fails when a C++ source or header drifts from .clang-format; prints the
# places. `scripts/check-format.sh --fix` formats them instead.
# Usage: scripts/check-format.sh [--fix] [SOURCE_ROOT]
set -euo pipefail
fix=0
[[ "${1:-}" == "--fix" ]] && { fix=1; shift; }
root=$(realpath "${1:-$(dirname "$0")/..}")
cd "$root"
mapfile -d '' files < <(find src tests bench fuzz desktop \( -name '*.cpp' -o -name '*.h' \) -print0 | sort -z)
if ((fix)); then
  clang-format -i "${files[@]}"
  exit 0
fi
clang-format --dry-run -Werror "${files[@]}"
echo "check-format: ${#files[@]} files follow .clang-format"
