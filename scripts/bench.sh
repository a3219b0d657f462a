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
# Clips only the benchmarks need, made once (test.sh never needs them):
# made_once NAME ffmpeg-arguments... writes test-media/NAME through a
# temporary file, so a stopped run leaves no half clip behind.
made_once() {
  local clip=$build/test-media/$1
  shift
  [[ -s "$clip" ]] && return 0
  ffmpeg -hide_banner -loglevel error -y "$@" "$clip.tmp.${clip##*.}"
  mv "$clip.tmp.${clip##*.}" "$clip"
}
# The skip clip, also the 1080p playing clip: H.264 with a key frame every 2 s.
made_once skip1080.mp4 \
  -f lavfi -i "testsrc2=size=1920x1080:rate=25:duration=200" -f lavfi -i "sine=frequency=440:duration=200" \
  -c:v libx264 -preset veryfast -pix_fmt yuv420p -g 50 -keyint_min 50 -sc_threshold 0 -c:a aac -shortest
made_once uhd2160.mp4 \
  -f lavfi -i "testsrc2=size=3840x2160:rate=25:duration=30" -f lavfi -i "sine=frequency=440:duration=30" \
  -c:v libx264 -preset veryfast -pix_fmt yuv420p -g 50 -c:a aac -shortest
# Three hours of MPEG (the MCI path, whose fast forward climbs to 16 times):
# one minute encoded, then repeated without encoding again.
made_once minute.mpg \
  -f lavfi -i "testsrc2=size=320x240:rate=25:duration=60" -f lavfi -i "sine=frequency=440:duration=60" \
  -c:v mpeg1video -b:v 400k -c:a mp2 -b:a 64k -shortest
made_once long3h.mpg -stream_loop 179 -i "$build/test-media/minute.mpg" -c copy
export KOVAPLEX_TEST_MEDIA="$PWD/$build/test-media"

source scripts/test-env.sh
# A desktop has a window manager; the minimised state needs one.
kovaplex_start_window_manager

status=0
for name in "${names[@]}"; do
  echo "== $name"
  "$build/bench/$name/$name" || status=1
done
exit $status
