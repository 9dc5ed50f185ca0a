#!/usr/bin/env bash
# Times our MD5 (through the device form the driver uses) against coreutils
# md5sum on the same 256 MiB file, best of several runs each, and prints the
# ratio of the times (at most 1.00 is the goal).
set -euo pipefail
bin="$VANTREL_BENCH_BIN/md5/md5_file"
file="$VANTREL_BENCH_WORK/md5-256MiB.bin"
runs=7

head -c $((256 * 1024 * 1024)) /dev/urandom > "$file"

# best <command...>: the shortest wall time of $runs runs, in nanoseconds.
best() {
  local b=0 t0 t1
  for _ in $(seq "$runs"); do
    t0=$(date +%s%N)
    "$@" > /dev/null
    t1=$(date +%s%N)
    if [ "$b" -eq 0 ] || [ $((t1 - t0)) -lt "$b" ]; then b=$((t1 - t0)); fi
  done
  echo "$b"
}

ours=$("$bin" "$file")
theirs=$(md5sum "$file" | cut -c1-32)
if [ "$ours" != "$theirs" ]; then
  echo "md5: digests differ: ours $ours, md5sum $theirs" >&2
  exit 1
fi

# Alternate the two so that both see the same machine state.
t_ref=$(best md5sum "$file")
t_dev=$(best "$bin" "$file")
t_ref2=$(best md5sum "$file")
t_stdio=$(best "$bin" "$file" stdio)
[ "$t_ref2" -lt "$t_ref" ] && t_ref=$t_ref2

awk -v a="$t_dev" -v b="$t_stdio" -v r="$t_ref" 'BEGIN {
  printf "md5 time / md5sum time, 256 MiB, best of '"$runs"': %.2f (QIODevice form), %.2f (FILE form); goal <= 1.00\n", a / r, b / r
}'
