#!/usr/bin/env bash
# The kept place at length: N rounds (200 by default) that start the real
# program on the 90 s test clip, let it play a random time (half the rounds
# from the start up to its last seconds, half after a seek), kill it with
# SIGKILL and check the settings file it leaves: whole, and holding the
# clip's place within 15 s of where it was killed (place_e2e_tests, whose
# CTest run makes 20 short rounds).
# Usage: scripts/kill-resume.sh [N] [BUILD_DIR] [SEED]
set -euo pipefail
cd "$(dirname "$0")/.."
export KOVAPLEX_KILL_ROUNDS=${1:-200}
build=${2:-build-test}
export KOVAPLEX_KILL_SEED=${3:-$RANDOM}
export KOVAPLEX_KILL_LONG=1
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0:abort_on_error=0}
cmake --build "$build" --target Kovaplex place_e2e_tests >/dev/null
scripts/make-test-media.sh "$build/test-media" >/dev/null
source scripts/test-env.sh
echo "seed $KOVAPLEX_KILL_SEED, $KOVAPLEX_KILL_ROUNDS rounds"
"$build/tests/e2e/place/place_e2e_tests" --gtest_brief=1
