#!/usr/bin/env bash
# Generates the media files the tests play into the folder given (once;
# existing files are kept). Nothing here is committed.
set -euo pipefail
out=${1:?usage: make-test-media.sh DIR}
mkdir -p "$out"
cd "$out"

ff() { ffmpeg -hide_banner -loglevel error -y "$@"; }
gen() { # gen FILE ffmpeg-args...: only when FILE is missing, through a temporary name
  local file=$1; shift
  [[ -s "$file" ]] && return 0
  local tmp="tmp.$$.${file##*.}"
  ff "$@" "$tmp" && mv -f "$tmp" "$file"
}
video="testsrc2=size=320x240:rate=25"
tone="sine=frequency=440:sample_rate=44100"

gen clip.avi  -f lavfi -i "$video:duration=12" -f lavfi -i "$tone:duration=12" -c:v mpeg4 -q:v 5 -c:a pcm_s16le -shortest
gen tone.wav  -f lavfi -i "$tone:duration=6" -c:a pcm_s16le
gen tone.mp3  -f lavfi -i "$tone:duration=6" -c:a libmp3lame -b:a 128k
gen clip.mp4  -f lavfi -i "$video:duration=12" -f lavfi -i "$tone:duration=12" -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -shortest
gen clip.mkv  -f lavfi -i "$video:duration=12" -f lavfi -i "$tone:duration=12" -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -shortest
gen long.mp4  -f lavfi -i "testsrc2=size=320x240:rate=10:duration=90" -f lavfi -i "$tone:duration=90" -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -shortest

: > empty.avi
[[ -s truncated.avi ]] || head -c 4096 clip.avi > truncated.avi
[[ -s random.mpg ]] || head -c 65536 /dev/urandom > random.mpg
odd='名前 with "quote".avi'
[[ -s "$odd" ]] || cp clip.avi "$odd"
