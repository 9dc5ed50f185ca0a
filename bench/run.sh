#!/usr/bin/env bash
# Builds the benchmarks optimised and runs each bench/<name>/run.sh, which
# prints its figures as ratios against a reference measured in the same run.
# Usage: bench/run.sh [name...]   (default: every benchmark)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" bench -DCMAKE_BUILD_TYPE=Release -DVANTREL_SANITIZE=OFF -DVANTREL_TESTS=OFF -DVANTREL_BENCH=ON

export VANTREL_BENCH_BIN="$root/build/bench/bench"
export VANTREL_BENCH_WORK="${VANTREL_BENCH_WORK:-$(mktemp -d)}"
trap 'rm -rf "$VANTREL_BENCH_WORK"' EXIT

names=("$@")
if [ ${#names[@]} -eq 0 ]; then
  for d in "$root"/bench/*/; do
    [ -x "$d/run.sh" ] && names+=("$(basename "$d")")
  done
fi
for n in "${names[@]}"; do
  echo "== $n"
  "$root/bench/$n/run.sh"
done
