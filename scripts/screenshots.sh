#!/usr/bin/env bash
# Remakes the README's screenshots from the real program on a private X
# display under openbox (so the windows have their frames):
#   docs/screenshots/playing.png, menu.png, resume-question.png,
#   display-area-dialog.png, skip-time-dialog.png
# Look at them before committing them.
# Usage: scripts/screenshots.sh [BUILD_DIR]   (default: build, as run.sh makes it)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$(realpath "${1:-build}")
out=$root/docs/screenshots
[[ -x "$build/Kovaplex" ]] || { echo "screenshots: no $build/Kovaplex; build it first" >&2; exit 1; }
scripts/make-test-media.sh "$build/test-media" >/dev/null

source scripts/test-env.sh
kovaplex_start_window_manager
export ASAN_OPTIONS=detect_leaks=0 KOVAPLEX_TRACE=1 KOVAPLEX_TRACE_VALUES=1
# A fixed folder: the resume question shows the file's whole name.
work=/tmp/kovaplex-screenshots
rm -rf "$work"
mkdir -p "$work/動画"
trap 'kill "${pid:-}" 2>/dev/null || true; rm -rf "$work"; kovaplex_cleanup' EXIT
cp "$build/Kovaplex" "$work/"
# Two sound tracks and a subtitle file beside it: the menu offers 音声 and 字幕.
clip="$work/動画/サンプル映像.mkv"
ffmpeg -hide_banner -loglevel error -i "$build/test-media/long.mp4" -map 0:v -map 0:a -map 0:a -c copy \
  -metadata:s:a:0 language=jpn -metadata:s:a:0 title=日本語 \
  -metadata:s:a:1 language=eng -metadata:s:a:1 title=English \
  -disposition:a:0 default -disposition:a:1 0 "$clip"
printf '1\r\n00:00:01,000 --> 00:00:03,000\r\n字幕のサンプル\r\n' >"${clip%.*}.srt"
printf '[Setting]\r\nVideoSize=320\r\n' >"$work/Kovaplex.ini"
mkdir -p "$out"

fail() { echo "screenshots: $*" >&2; exit 1; }
# until SECONDS CMD...: polls CMD every 0.1 s for at most SECONDS.
until_ok() {
  local limit=$(($1 * 10)); shift
  for _ in $(seq "$limit"); do "$@" && return 0; sleep 0.1; done
  return 1
}
windows() { xdotool search --onlyvisible --pid "$pid" 2>/dev/null || true; }
count_is_above() { [[ $(windows | wc -l) -gt $1 ]]; }
traced() { grep -q -- "$1" "$work/log"; }
start() {
  "$work/Kovaplex" "$clip" 2>"$work/log" &
  pid=$!
  until_ok 30 count_is_above 0 || fail "no window"
  main=$(windows | head -1)
}
# The window with its frame (the newest of the program's when none is named).
frame_shot() {
  local id=${2:-$(windows | tail -1)}
  sleep 0.5 # let the last paint reach the screen
  import -window "$id" -frame "$out/$1"
}
# The main window and the menu over it: the screen cut to both.
menu_shot() {
  sleep 0.5
  local boxes
  boxes=$(for id in "$main" $(windows | grep -vx "$main"); do
    local info x y top=0
    info=$(xwininfo -id "$id")
    x=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info")
    y=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")
    [[ $id == "$main" ]] && top=$(xprop -id "$id" _NET_FRAME_EXTENTS | sed 's/.*= //' | cut -d, -f3 | tr -d ' ')
    echo "$x $((y - top)) $((x + $(sed -n 's/.*Width: *//p' <<<"$info"))) $((y + $(sed -n 's/.*Height: *//p' <<<"$info")))"
  done | awk 'NR==1{l=$1;t=$2;r=$3;b=$4} {l=$1<l?$1:l; t=$2<t?$2:t; r=$3>r?$3:r; b=$4>b?$4:b}
              END{printf "%dx%d+%d+%d", r-l+4, b-t+4, l-2, t-2}')
  import -window root -crop "$boxes" +repage "$out/$1"
}
open_menu_at() { # x y in the main window
  local before; before=$(windows | wc -l)
  xdotool mousemove --window "$main" "$1" "$2" click 3
  until_ok 10 count_is_above "$before" || fail "no menu"
}

# Playing, then the menu with its sound-track submenu open (from the
# bottom: 字幕, then 音声).
start
until_ok 60 traced "] time: 00:00:04" || fail "not playing"
# The program's windows now: the main one and the native windows inside it
# that draw the video. Menus and dialogs come on top of these.
base=$(windows | wc -l)
frame_shot playing.png "$main"
open_menu_at 100 100
xdotool key --delay 300 Up Up Right
until_ok 10 count_is_above $((base + 1)) || fail "no sound-track submenu"
menu_shot menu.png
only_main() { [[ $(windows | wc -l) -eq $base ]]; }
xdotool key --delay 300 Escape Escape
until_ok 10 only_main || fail "the menu stays"

# The two dialogs, reached through the menu by keyboard (the keys wait for
# each submenu to open).
open_menu_at 100 100
xdotool key --delay 300 Down Right Up Return # 画面サイズ > 表示領域設定, its last entry
until_ok 10 count_is_above "$base" || fail "no display-area dialog"
frame_shot display-area-dialog.png
xdotool key Escape
until_ok 10 only_main || fail "the display-area dialog stays"
# The first skip button's right click adds スキップ時間変更 above バージョン情報
# (from the bottom: 字幕, 音声, 終了, バージョン情報).
eval "$(xdotool getwindowgeometry --shell "$main")"
open_menu_at 30 $((HEIGHT - 15))
xdotool key --delay 300 Up Up Up Up Up Return
until_ok 10 count_is_above "$base" || fail "no skip-time dialog"
frame_shot skip-time-dialog.png
xdotool key alt+F4 # its close box: nothing changes
until_ok 10 only_main || fail "the skip-time dialog stays"

# Closing keeps the place; the next start asks.
kill -TERM "$pid"; wait "$pid" || true
start
until_ok 10 bash -c "xdotool getwindowname $main | grep -q Kovaplex"
frame_shot resume-question.png "$main"
kill -TERM "$pid"; wait "$pid" || true
echo "screenshots: written to $out"
