#!/usr/bin/env bash
# Saves and loads patch caches of 10,000 and 20,000 files (ten change
# commands each) and prints how the times grow: twice the files should take
# twice the time (growth 2.00, i.e. 1.00 of linear).
set -euo pipefail
bin="$VANTREL_BENCH_BIN/patchcache/patchcache_io"
path="$VANTREL_BENCH_WORK/patch.xml"
rounds=7

read -r save10 load10 < <("$bin" "$path" 10000 "$rounds")
read -r save20 load20 < <("$bin" "$path" 20000 "$rounds")

awk -v s1="$save10" -v s2="$save20" -v l1="$load10" -v l2="$load20" 'BEGIN {
  printf "patch cache save, 20,000 vs 10,000 files, best of '"$rounds"': time x%.2f (%.2f of linear)\n", s2 / s1, s2 / s1 / 2
  printf "patch cache load, 20,000 vs 10,000 files, best of '"$rounds"': time x%.2f (%.2f of linear)\n", l2 / l1, l2 / l1 / 2
}'
