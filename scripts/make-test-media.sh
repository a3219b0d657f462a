#!/usr/bin/env bash
# Generates the media files the tests play into the folder given (once;
# existing files are kept). Nothing here is committed.
#
# The playable matrix (tests/integration/matrix walks it) covers both
# engines: MCI takes .avi .wav .mp3 .mid .mpg .wmv, the media player control
# the rest. Each file is listed there with its length.
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
x264=(-c:v libx264 -preset ultrafast -pix_fmt yuv420p)

gen clip.avi  -f lavfi -i "$video:duration=12" -f lavfi -i "$tone:duration=12" -c:v mpeg4 -q:v 5 -c:a pcm_s16le -shortest
gen tone.wav  -f lavfi -i "$tone:duration=6" -c:a pcm_s16le
gen tone.mp3  -f lavfi -i "$tone:duration=6" -c:a libmp3lame -b:a 128k
gen clip.mp4  -f lavfi -i "$video:duration=12" -f lavfi -i "$tone:duration=12" "${x264[@]}" -c:a aac -shortest
gen clip.mkv  -f lavfi -i "$video:duration=12" -f lavfi -i "$tone:duration=12" "${x264[@]}" -c:a aac -shortest
gen long.mp4  -f lavfi -i "testsrc2=size=320x240:rate=10:duration=90" -f lavfi -i "$tone:duration=90" "${x264[@]}" -c:a aac -shortest

# Video without a sound track, on both engines.
gen silent.mp4 -f lavfi -i "$video:duration=4" "${x264[@]}"
gen silent.avi -f lavfi -i "$video:duration=4" -c:v mpeg4 -q:v 5
# Short, portrait and rotated pictures.
gen second.mp4 -f lavfi -i "$video:duration=1" -f lavfi -i "$tone:duration=1" "${x264[@]}" -c:a aac -shortest
gen portrait.mp4 -f lavfi -i "testsrc2=size=1080x1920:rate=25:duration=3" -f lavfi -i "$tone:duration=3" "${x264[@]}" -c:a aac -shortest
# Encoding drops the rotation; a stream-copy remux writes it as a display
# matrix, and the file is checked for it.
if [[ ! -s rotated.mp4 ]]; then
  gen rotated-plain.mp4 -f lavfi -i "$video:duration=3" "${x264[@]}"
  ff -i rotated-plain.mp4 -c copy -metadata:s:v:0 rotate=90 tmp.$$.mp4
  ffprobe -v error -select_streams v:0 -show_entries stream_side_data=rotation -of csv=p=0 tmp.$$.mp4 |
    grep -qE '^-?90$' || { echo "rotated.mp4: no rotation in the display matrix" >&2; exit 1; }
  mv -f tmp.$$.mp4 rotated.mp4
  rm -f rotated-plain.mp4
fi
# Older and other containers and codecs.
gen mpeg2.mpg -f lavfi -i "$video:duration=4" -f lavfi -i "$tone:duration=4" -c:v mpeg2video -q:v 5 -c:a mp2 -shortest
gen wm.wmv    -f lavfi -i "$video:duration=4" -f lavfi -i "$tone:duration=4" -c:v wmv2 -q:v 5 -c:a wmav2 -shortest
gen vp9.webm  -f lavfi -i "$video:duration=4" -f lavfi -i "$tone:duration=4" -c:v libvpx-vp9 -deadline realtime -cpu-used 8 -b:v 200k -c:a libopus -shortest
# The clip the playback CPU benchmark shows: 720p H.264 with sound.
gen hd720.mp4 -f lavfi -i "testsrc2=size=1280x720:rate=30:duration=30" -f lavfi -i "$tone:duration=30" "${x264[@]}" -crf 23 -c:a aac -shortest

# What real libraries hold. Audio beside a cover picture (the engine shows
# it as a picture track), on both engines.
mkdir -p cover
gen cover/cover.jpg -f lavfi -i "testsrc2=size=300x300" -frames:v 1
gen cover/tone.mp3  -f lavfi -i "$tone:duration=6" -c:a libmp3lame -b:a 128k
gen cover/tone.ogg  -f lavfi -i "$tone:duration=6" -c:a libvorbis
gen cover/tone.flac -f lavfi -i "$tone:duration=6" -c:a flac
# Clips of half a second and a second on both engines.
gen half.mp4   -f lavfi -i "$video:duration=0.5" -f lavfi -i "$tone:duration=0.5" "${x264[@]}" -c:a aac -shortest
gen half.avi   -f lavfi -i "$video:duration=0.5" -f lavfi -i "$tone:duration=0.5" -c:v mpeg4 -q:v 5 -c:a pcm_s16le -shortest
gen second.avi -f lavfi -i "$video:duration=1" -f lavfi -i "$tone:duration=1" -c:v mpeg4 -q:v 5 -c:a pcm_s16le -shortest
gen second.mpg -f lavfi -i "$video:duration=1" -f lavfi -i "$tone:duration=1" -c:v mpeg2video -q:v 5 -c:a mp2 -shortest
# A bare MPEG-1 video stream: no stored length, only an estimate.
gen nolength.mpg -f lavfi -i "$video:duration=1" -c:v mpeg1video -q:v 5 -f mpeg1video
# A 16:9 picture in an MPEG-2 program stream (MCI's), stored 4:3 wide
# pixels that the sample aspect ratio widens.
gen wide.mpg -f lavfi -i "testsrc2=size=480x360:rate=25:duration=4" -f lavfi -i "$tone:duration=4" \
  -vf setsar=4/3 -c:v mpeg2video -q:v 5 -aspect 16:9 -c:a mp2 -shortest
# An MKV of 20 s cut to half its size: the data runs out near 10 s.
if [[ ! -s cut.mkv ]]; then
  gen whole20.mkv -f lavfi -i "$video:duration=20" -f lavfi -i "$tone:duration=20" "${x264[@]}" -c:a aac -shortest
  head -c $(( $(stat -c %s whole20.mkv) / 2 )) whole20.mkv > cut.mkv.tmp && mv -f cut.mkv.tmp cut.mkv
  rm -f whole20.mkv
fi

# Sound and subtitle tracks: two tagged sound tracks and subtitles flagged
# as default inside an MKV (the control's), two untagged sound tracks in an
# AVI (MCI's) with a subtitle file of the same name beside it.
if [[ ! -s languages.mkv ]]; then
  printf '1\r\n00:00:00,000 --> 00:00:04,000\r\n字幕\r\n' > languages-sub.srt
  gen languages.mkv -f lavfi -i "$video:duration=4" -f lavfi -i "$tone:duration=4" \
    -f lavfi -i "sine=frequency=660:sample_rate=44100:duration=4" -i languages-sub.srt \
    -map 0:v -map 1:a -map 2:a -map 3:s "${x264[@]}" -c:a aac -b:a 32k -c:s srt \
    -metadata:s:a:0 language=jpn -metadata:s:a:0 title=日本語吹替 \
    -metadata:s:a:1 language=eng -metadata:s:a:1 title=English -metadata:s:s:0 language=jpn \
    -disposition:a:0 default -disposition:a:1 0 -disposition:s:0 default
  rm -f languages-sub.srt
fi
gen sidecar.avi -f lavfi -i "$video:duration=4" -f lavfi -i "$tone:duration=4" \
  -f lavfi -i "sine=frequency=660:sample_rate=44100:duration=4" \
  -map 0:v -map 1:a -map 2:a -c:v mpeg4 -q:v 5 -c:a libmp3lame -b:a 32k
[[ -s sidecar.srt ]] || printf '1\r\n00:00:00,000 --> 00:00:04,000\r\nsidecar\r\n' > sidecar.srt

# A General MIDI tune: four half-second piano notes (type 0, 480 ticks per
# quarter note at the default 120 beats per minute: 2 s).
if [[ ! -s tune.mid ]]; then
  note() { printf "\\x00\\x90\\x$1\\x64\\x83\\x60\\x80\\x$1\\x40"; }
  { printf '\x00\xc0\x00'; note 3c; note 40; note 43; note 48; printf '\x00\xff\x2f\x00'; } > tune.trk
  size=$(stat -c %s tune.trk)
  { printf 'MThd\x00\x00\x00\x06\x00\x00\x00\x01\x01\xe0MTrk'
    printf "\\x$(printf %02x $((size >> 24 & 255)))\\x$(printf %02x $((size >> 16 & 255)))"
    printf "\\x$(printf %02x $((size >> 8 & 255)))\\x$(printf %02x $((size & 255)))"
    cat tune.trk; } > tune.mid.tmp
  rm -f tune.trk
  mv -f tune.mid.tmp tune.mid
fi

# A name with blanks, quotes, a line break and Japanese.
odd=$'名前 with "quote" \'single\'\nと改行.mp4'
[[ -s "$odd" ]] || cp second.mp4 "$odd"
odd='名前 with "quote".avi'
[[ -s "$odd" ]] || cp clip.avi "$odd"

# Names that are not UTF-8: Shift-JIS bytes ("テスト") and Latin-1 ("café").
sjis=$'\x83\x65\x83\x58\x83\x67.mp4'
[[ -s "$sjis" ]] || cp half.mp4 "$sjis"
latin1=$'caf\xe9.avi'
[[ -s "$latin1" ]] || cp half.avi "$latin1"

# What must be refused cleanly.
: > empty.avi
[[ -s truncated.avi ]] || head -c 4096 clip.avi > truncated.avi
[[ -s random.mpg ]] || head -c 65536 /dev/urandom > random.mpg
mkdir -p folder.avi
[[ -p stuck.avi ]] || { rm -f stuck.avi; mkfifo stuck.avi; }
