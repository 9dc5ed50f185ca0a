#!/usr/bin/env bash
# Saves and loads patch caches of 10,000 and 20,000 files (ten change
# commands each) and prints how the times grow: twice the files should take
# twice the time (growth 2.00, i.e. 1.00 of linear); then loads files of
# nested namespace declarations (below).
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

# A file of 240 nested elements of 1,000 namespace declarations each around
# 1,000,000 empty elements (about 8 MB) against one of plain attributes of the
# same size (goal: about 1.00), and against a tenth of its size (goal: about
# 10, linear).
markup="$VANTREL_BENCH_BIN/patchcache/patchcache_markup"
read -r decl_full attr_full bytes_full < <("$markup" "$path" 240 1000 1000000 3)
read -r decl_tenth _ bytes_tenth < <("$markup" "$path" 24 1000 100000 3)
awk -v d="$decl_full" -v a="$attr_full" -v t="$decl_tenth" -v b="$bytes_full" -v s="$bytes_tenth" 'BEGIN {
  printf "patch cache load, namespace declarations vs plain attributes, %.1f MB, best of 3: time x%.2f\n", b / 1e6, d / a
  printf "patch cache load, namespace declarations, %.1f MB vs %.1f MB, best of 3: time x%.2f for x%.2f the size (%.2f of linear)\n", b / 1e6, s / 1e6, d / t, b / s, d / t / (b / s)
}'
