#!/usr/bin/env bash
# scripts/build.sh <build-dir> [cmake options...]: configures and builds the
# project under build/<build-dir>.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir="$root/build/$1"
shift
cmake -S "$root" -B "$dir" "$@" >/dev/null
cmake --build "$dir" -j "$(nproc)"
