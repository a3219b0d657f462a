#!/usr/bin/env bash
# Fresh starts on both playback paths (clip.avi through MCI, long.mp4 through
# the media player control). Each start plays, is paused with J once its
# first tick has shown, rests for a second (the status timer stops), then
# skips +10 s with V. The traced position must show the new place within
# 3 s, with no playback in between. Prints each failure, the CPU ticks
# (10 ms each) that all the resting seconds used together, and the count.
# Usage: scripts/paused-skip.sh [ROUNDS] [BUILD_DIR]   (20, build-bench)
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-20}
build=${2:-build-bench}
source scripts/drive-env.sh

cp "$build/Kovaplex" "$work/Kovaplex"
trace=$work/trace

# wait_for PATTERN: until the trace has it, at most 5 s.
wait_for() {
  for _ in $(seq 100); do
    grep -q "$1" "$trace" && return 0
    sleep 0.05
  done
  return 1
}
last_position() { grep "position:" "$trace" | tail -1 | sed 's/.*position: //'; }
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

failures=0
for name in clip.avi long.mp4; do
  resting=0
  for ((round = 1; round <= rounds; round++)); do
    rm -f "$work/Kovaplex.ini"
    KOVAPLEX_TRACE_VALUES=1 "$work/Kovaplex" "$media/$name" 2>"$trace" &
    player=$!
    problem=
    if wait_for "position:"; then
      window=$(xdotool search --onlyvisible --pid "$player" 2>/dev/null | head -1)
      xdotool windowactivate --sync "$window" key j 2>/dev/null || true
      wait_for "status: Paused" || problem="never paused"
    else
      problem="never showed a position"
    fi
    if [[ -z $problem ]]; then
      sleep 0.4 # the tick after the pause, then the timer rests
      before=$(last_position)
      ticks=$(cpu_ticks "$player")
      sleep 1
      resting=$((resting + $(cpu_ticks "$player") - ticks))
      [[ $(last_position) == "$before" ]] || problem="moved while paused"
    fi
    if [[ -z $problem ]]; then
      xdotool key v
      problem="the skip from $before did not show"
      for _ in $(seq 60); do
        if awk -v a="$before" -v b="$(last_position)" 'BEGIN { exit !(b >= a + 9.5) }'; then
          problem=
          break
        fi
        sleep 0.05
      done
    fi
    if [[ -n $problem ]]; then
      failures=$((failures + 1))
      echo "$name, start $round: $problem"
    fi
    kill "$player"
    wait "$player" 2>/dev/null || true
  done
  echo "$name: $rounds starts, $resting CPU ticks over $rounds resting seconds"
done
echo "failures: $failures"
[[ $failures -eq 0 ]]
