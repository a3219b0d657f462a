#!/usr/bin/env bash
# Builds Release into build-bench and runs every benchmark under bench/ on a
# private X display and PulseAudio null sink (scripts/test-env.sh).
# Usage: scripts/bench.sh [bench-name...]   (default: all)
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
build=build-bench
names=("$@")
if [[ ${#names[@]} -eq 0 ]]; then
  for dir in bench/*/; do
    [[ -f "$dir/CMakeLists.txt" ]] && names+=("$(basename "$dir")")
  done
fi

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKOVAPLEX_TESTS=OFF -DKOVAPLEX_BENCH=ON >/dev/null
# The program itself too: a benchmark may start it.
cmake --build "$build" -j "$(nproc)" --target Kovaplex "${names[@]}"
scripts/make-test-media.sh "$build/test-media"
export KOVAPLEX_TEST_MEDIA="$PWD/$build/test-media"

source scripts/test-env.sh

status=0
for name in "${names[@]}"; do
  echo "== $name"
  "$build/bench/$name/$name" || status=1
done
exit $status
