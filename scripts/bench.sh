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
# The skip benchmark's clip: 1080p H.264 with a key frame every 2 s, long
# enough for its skips. Made once; test.sh never needs it.
skip_clip=$build/test-media/skip1080.mp4
if [[ ! -s "$skip_clip" ]]; then
  ffmpeg -hide_banner -loglevel error -y \
    -f lavfi -i "testsrc2=size=1920x1080:rate=25:duration=200" -f lavfi -i "sine=frequency=440:duration=200" \
    -c:v libx264 -preset veryfast -pix_fmt yuv420p -g 50 -keyint_min 50 -sc_threshold 0 \
    -c:a aac -shortest "$skip_clip.tmp.mp4"
  mv "$skip_clip.tmp.mp4" "$skip_clip"
fi
export KOVAPLEX_TEST_MEDIA="$PWD/$build/test-media"

source scripts/test-env.sh

status=0
for name in "${names[@]}"; do
  echo "== $name"
  "$build/bench/$name/$name" || status=1
done
exit $status
