#!/usr/bin/env bash
# The hand-off stress at length: starts racing closes and SIGKILLs of the
# running instance, ROUNDS rounds (1000 by default), and its tally.
# Usage: scripts/handoff-stress.sh [BUILD_DIR] [ROUNDS] [SEED]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-test}
export KOVAPLEX_STRESS_ROUNDS=${2:-1000}
export KOVAPLEX_STRESS_SEED=${3:-$RANDOM}
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0:abort_on_error=0}
export QT_QPA_PLATFORM=offscreen
cmake --build "$build" --target handoff_stress_tests >/dev/null
echo "seed $KOVAPLEX_STRESS_SEED"
"$build/tests/integration/handoff/handoff_stress_tests" --gtest_brief=1
