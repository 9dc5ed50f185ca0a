#!/usr/bin/env bash
# The whole program on a generated project (vantrel_workload, fixed seed):
# N source files whose message files name M files in all, a baselined and a
# current version of each with real edits, a baseline with several
# suppressions per file, GNU diff as the diff command. Prints, as medians of
# several rounds measured in this run:
#   - the cold run (no "patch.xml") against the same diff commands run alone
#     from a shell loop (goal <= 1.10);
#   - the warm rerun (nothing changed) against the cold run (goal >= 50 x
#     faster), beside md5sum of every named file, which a warm run cannot
#     skip: a file's digest decides whether its cached diff holds;
#   - N=1,000/M=2,000 against N=100/M=200, cold (goal <= 10.5 x the time);
#   - the peak resident memory of both sizes (goal: it grows by no more than
#     the cache, the largest message file and the baseline's rows grow).
# Files without a baselined version are diffed with "diff -N" (an absent file
# reads as empty), as a user would give it: a failing diff is not cached and
# would run again on every warm run.
set -euo pipefail
bin_dir="$(dirname "$VANTREL_BENCH_BIN")/bin"
vantrel="$bin_dir/vantrel"
workload="$bin_dir/vantrel_workload"
work="$VANTREL_BENCH_WORK/whole_run"
rounds=${VANTREL_WHOLE_RUN_ROUNDS:-5}

rm -rf "$work"
mkdir -p "$work/bin" "$work/tmp" "$work/home"
: >"$work/bin/zxc.cfg"
for name in $(compgen -e); do
  case $name in ZXC* | ZXD* | ZXJ* | TMP | RCPATH | LANG | LANGUAGE | NO_LANG_CACHE | VORA_QTDIR | DUMMY_CODEC | UNICODEMAP_JP) unset "$name" ;; esac
done
export ZXCBIN="$work/bin" ZXCTEMPFILES="$work/tmp" HOME="$work/home" LC_ALL=C.UTF-8

# make_workload <name> <N> <M>: the workload in $work/<name>, its message files kept
# aside in pristine/.
make_workload() {
  local dir="$work/$1"
  mkdir -p "$dir"
  "$workload" make "$dir" "$2" "$3"
  sqlite3 "$dir/baseline.sup" <"$dir/baseline.sql"
  cp -r "$dir/out" "$dir/pristine"
  mapfile -t "sources_$1" <"$dir/sources.txt"
}

# restore <name>: the workload's message files as the analyser wrote them
# ("patch.xml" stays as the last run left it).
restore() {
  cp "$work/$1"/pristine/*.err "$work/$1/out/"
}

# vantrel_on <name> [<command prefix>...]: one run of vantrel on the workload.
vantrel_on() {
  local dir="$work/$1" list="sources_$1[@]"
  shift
  ZXCOUTPATH="$dir/out" "$@" "$vantrel" ZXC -sf "$dir/baseline.sup" -sop "$dir/cur" \
    -sdt "diff -N $dir/base/%BB %BF" "${!list}" >/dev/null
}

# diff_loop <name>: the same diff commands, alone, one after another.
diff_loop() {
  local dir="$work/$1" f
  while IFS= read -r f; do
    diff -N "$dir/base/$f" "$dir/cur/$f" >/dev/null || [ $? = 1 ]
  done <"$dir/files.txt"
}

# digests <name>: the content digest of every named file, in one process:
# what a warm run cannot do without, since a file's digest decides whether
# its cached diff still holds.
digests() {
  (cd "$work/$1/cur" && xargs md5sum <"$work/$1/files.txt" >/dev/null)
}

# elapsed <command...>: the command's wall time in seconds.
elapsed() {
  local t0=$EPOCHREALTIME
  "$@"
  awk -v a="$t0" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.6f\n", b - a }'
}

median() {
  printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

make_workload small 100 200
make_workload large 1000 2000

cold_small=() warm_small=() cold_large=() warm_large=() loop_large=() digest_large=()
for _ in $(seq "$rounds"); do
  for size in small large; do
    rm -f "$work/$size/out/patch.xml"
    restore "$size"
    t=$(elapsed vantrel_on "$size"); eval "cold_$size+=($t)"
    [ -s "$work/$size/out/patch.xml" ] || { echo "whole_run: no patch.xml after the cold run" >&2; exit 1; }
    restore "$size"
    t=$(elapsed vantrel_on "$size"); eval "warm_$size+=($t)"
  done
  loop_large+=("$(elapsed diff_loop large)")
  digest_large+=("$(elapsed digests large)")
done

# Peak memory, and what it may grow with, of one cold run of each size.
for size in small large; do
  rm -f "$work/$size/out/patch.xml"
  restore "$size"
  vantrel_on "$size" "$workload" peak-memory "$work/rss"
  eval "rss_$size=$(cat "$work/rss")"
  eval "cache_$size=$(stat -c %s "$work/$size/out/patch.xml")"
  eval "errmax_$size=$(ls -S "$work/$size/out/"*.err | head -1 | xargs stat -c %s)"
done

awk -v cs="$(median "${cold_small[@]}")" -v ws="$(median "${warm_small[@]}")" \
    -v cl="$(median "${cold_large[@]}")" -v wl="$(median "${warm_large[@]}")" -v ll="$(median "${loop_large[@]}")" -v dl="$(median "${digest_large[@]}")" \
    -v rs="$rss_small" -v rl="$rss_large" -v ks="$cache_small" -v kl="$cache_large" -v es="$errmax_small" -v el="$errmax_large" \
    -v r="$rounds" 'BEGIN {
  printf "whole run, N=1,000/M=2,000, median of %d: cold %.2f s, warm %.3f s, diff commands alone %.2f s\n", r, cl, wl, ll
  printf "  cold run / diff commands alone from a shell loop: %.2f (goal <= 1.10)\n", cl / ll
  printf "  warm rerun speed-up over the cold run: x%.1f (goal >= x50); N=100/M=200: x%.1f\n", cl / wl, cs / ws
  printf "    (md5sum of the 2,000 named files alone, one process: %.3f s, x%.1f faster than the cold run)\n", dl, cl / dl
  printf "  growth, cold, N=1,000/M=2,000 vs N=100/M=200: time x%.2f (goal <= x10.5)\n", cl / cs
  printf "  peak resident memory: %.1f MiB (N=100/M=200) and %.1f MiB (N=1,000/M=2,000): +%.1f MiB, %.1f KiB per added named file\n", rs / 1024, rl / 1024, (rl - rs) / 1024, (rl - rs) / 1800
  printf "    (goal: growth with the cache and the baseline, not with the source files); patch.xml %.0f KiB -> %.0f KiB, largest message file %.1f KiB -> %.1f KiB\n", ks / 1024, kl / 1024, es / 1024, el / 1024
}'
