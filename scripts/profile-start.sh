#!/usr/bin/env bash
# Where a fresh start of the Release program spends its time: records one
# start (after a warm-up) with perf, then prints the start-up milestones and,
# for each 10 ms from the first sample until the first frame, how busy the
# GUI thread and the other threads were (samples, of about 150 a core) with
# their commonest functions. Both rows full means the two cores are taken.
# Usage: scripts/profile-start.sh [CLIP] [BUILD_DIR]   (hd720.mp4, build-bench)
set -euo pipefail
cd "$(dirname "$0")/.."
clip_name=${1:-hd720.mp4}
build=${2:-build-bench}
command -v perf >/dev/null || apt-get install -y -qq linux-perf >/dev/null
source scripts/drive-env.sh

cp "$build/Kovaplex" "$work/Kovaplex"
export KOVAPLEX_TRACE=1
start() {
  : >"$work/Kovaplex.ini"
  "$@" timeout 3 "$work/Kovaplex" "$media/$clip_name" 2>"$work/trace" || true
}
start
start perf record -q -F 15000 -g -o "$work/perf.data" --
grep -v ': ' "$work/trace" | grep '^\[kovaplex'
perf script -i "$work/perf.data" -F comm,tid,time,ip,sym,dso --max-stack 1 2>/dev/null |
  paste - - - >"$work/samples"
python3 - "$work/samples" "$work/trace" <<'PY'
import collections, re, sys
samples = []  # (thread name, thread id, ms, "library:function")
for line in open(sys.argv[1], errors="replace"):
    m = re.match(r"\s*(.+?)\s+(\d+)\s+([\d.]+):\s+\S+\s+(.*?)\s+\((.*?)\)", line)
    if m:
        where = m.group(5).split("/")[-1][:16] + ":" + m.group(4).split("+")[0][:28]
        samples.append((m.group(1)[:12], int(m.group(2)), float(m.group(3)) * 1000, where))
own = [s for s in samples if s[0] == "Kovaplex"]
if not own:
    sys.exit("no samples of the program")
t0 = min(s[2] for s in own)
gui = min(s[1] for s in own)  # the process's first thread is its GUI thread
frames = re.findall(r"\+([0-9.]+)ms\] first frame drawn", open(sys.argv[2]).read())
end = float(frames[0]) + 20 if frames else 1000
gui_at = collections.defaultdict(collections.Counter)
rest_at = collections.defaultdict(collections.Counter)
for name, tid, ms, where in samples:
    ms -= t0
    if 0 <= ms <= end:
        if tid == gui:
            gui_at[int(ms // 10) * 10][where] += 1
        else:
            rest_at[int(ms // 10) * 10][name + "|" + where] += 1

def commonest(counter):
    return ", ".join(f"{k} {n}" for k, n in counter.most_common(2))

print(f"{'ms':>4} {'gui':>4} {'rest':>4}  the GUI thread's commonest | the rest's commonest")
for at in sorted(set(gui_at) | set(rest_at)):
    print(f"{at:4d} {sum(gui_at[at].values()):4d} {sum(rest_at[at].values()):4d}  "
          f"{commonest(gui_at[at])} | {commonest(rest_at[at])}")
PY
