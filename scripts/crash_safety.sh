#!/usr/bin/env bash
# The full crash-safety test: builds the program and runs
# tests/crash/crash_safety.sh with 100 kills (or the number given), each run
# going on from what the last one left; above 10 kills it also runs the
# heavier variants (sections of several MB copied and killed more often,
# more rounds of runs at once). CRASH_SEED repeats a run.
# Usage: scripts/crash_safety.sh [kills]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" plain -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTREL_SANITIZE=OFF
export LC_ALL=C.UTF-8
exec bash "$root/tests/crash/crash_safety.sh" "$root/build/plain/bin/vantrel" \
    "$root/build/plain/bin/vantrel_workload" "${1:-100}"
