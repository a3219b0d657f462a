#!/usr/bin/env bash
# Installs what is missing, builds Kovaplex (Release) and starts it on FILE,
# or on a sample clip generated once into build/.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh --run-only
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DKOVAPLEX_TESTS=OFF -DKOVAPLEX_BENCH=OFF >/dev/null
cmake --build build -j "$(nproc)" --target Kovaplex

if [[ $# -gt 0 ]]; then
  file=$(realpath -- "$1")
else
  file=$PWD/build/sample.mp4
  if [[ ! -s "$file" ]]; then
    ffmpeg -hide_banner -loglevel error -y \
      -f lavfi -i "testsrc2=size=640x360:rate=30:duration=60" \
      -f lavfi -i "sine=frequency=330:beep_factor=4:duration=60" \
      -c:v libx264 -preset veryfast -pix_fmt yuv420p -c:a aac -shortest "$file.tmp.mp4"
    mv "$file.tmp.mp4" "$file"
  fi
fi
# The program's own first start is the compact panel-only window; a first
# try from here should show the picture, so seed a 480-pixel video width
# once. Kovaplex keeps whatever size the user leaves it at from then on.
if [[ ! -e build/Kovaplex.ini ]]; then
  printf '\r\n[Setting]\r\nVideoSize=480\r\n' > build/Kovaplex.ini
fi
exec build/Kovaplex "$file"
