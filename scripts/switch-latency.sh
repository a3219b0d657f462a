#!/usr/bin/env bash
# Files opened one after another in a running player, across both playback
# paths (MCI files and the rest), as later starts hand them over: prints, for
# each hand-over, the ms from "dde executing" to the next "first frame drawn"
# in the player's trace, then the median and the worst of all rounds.
# Usage: scripts/switch-latency.sh [ROUNDS] [BUILD_DIR]   (3, build-bench)
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-3}
build=${2:-build-bench}
source scripts/drive-env.sh

for ((round = 1; round <= rounds; round++)); do
  copy=$work/$round
  mkdir "$copy"
  cp "$build/Kovaplex" "$copy/Kovaplex"
  printf '[Setting]\r\nVideoSize=320\r\n' >"$copy/Kovaplex.ini"
  KOVAPLEX_TRACE=1 KOVAPLEX_TRACE_VALUES=1 "$copy/Kovaplex" "$media/clip.mp4" 2>"$copy/trace" &
  player=$!
  sleep 1.2
  for name in clip.avi clip.mkv second.mp4 second.avi mpeg2.mpg half.mp4 wide.mpg silent.mp4 vp9.webm; do
    "$copy/Kovaplex" "$media/$name" 2>/dev/null
    sleep 0.7
  done
  kill "$player"
  wait "$player" 2>/dev/null || true
done
python3 - "$work"/*/trace <<'PY'
import re, statistics, sys
everything = []
for path in sys.argv[1:]:
    handed, waits = None, []
    for line in open(path, errors="replace"):
        m = re.match(r"\[kovaplex \+([0-9.]+)ms\] (dde executing|first frame drawn)", line)
        if not m:
            continue
        if m.group(2) == "dde executing":
            handed = float(m.group(1))
        elif handed is not None:
            waits.append(float(m.group(1)) - handed)
            handed = None
    print(" ".join("%.0f" % w for w in waits))
    everything += waits
if everything:
    print("%d switches: median %.0f ms, worst %.0f ms" % (len(everything), statistics.median(everything), max(everything)))
PY
