#!/usr/bin/env bash
# Shift_JIS to EUC-JP over 64 MiB of mixed ASCII and two-byte text: our
# file translation against iconv on the same input, best of 5 runs each.
# Prints the ratio of the times (goal: at most 0.5); then how the time of a
# text translated in memory grows with its length.
set -euo pipefail
bin="$VANTREL_BENCH_BIN/sjis_to_euc/sjis_to_euc_bench"
work="$VANTREL_BENCH_WORK/sjis_to_euc"
mkdir -p "$work"
"$bin" generate "$work/in.sjis" 64

# Prints the nanoseconds the command took.
elapsed() {
  local start end
  start=$(date +%s%N)
  "$@"
  end=$(date +%s%N)
  echo $((end - start))
}

ours_once() { "$bin" translate "$work/in.sjis" "$work/ours.euc"; }
iconv_once() { iconv -f SHIFT_JIS -t EUC-JP "$work/in.sjis" > "$work/iconv.euc"; }

best_ours=""
best_iconv=""
for _ in 1 2 3 4 5; do
  t=$(elapsed ours_once)
  if [ -z "$best_ours" ] || [ "$t" -lt "$best_ours" ]; then best_ours=$t; fi
  t=$(elapsed iconv_once)
  if [ -z "$best_iconv" ] || [ "$t" -lt "$best_iconv" ]; then best_iconv=$t; fi
done

if ! cmp -s "$work/ours.euc" "$work/iconv.euc"; then
  echo "sjis_to_euc: output differs from iconv's" >&2
  exit 1
fi

awk -v ours="$best_ours" -v ref="$best_iconv" 'BEGIN {
  ratio = ours / ref
  printf "sjis_to_euc: time ratio to iconv -f SHIFT_JIS -t EUC-JP: %.3f (goal <= 0.5: %s)\n",
         ratio, (ratio <= 0.5 ? "met" : "NOT met")
}'

# The same text translated in memory, as names and words are: 2 MiB against
# 512 KiB (goal: about 4, linear).
quarter=$("$bin" text "$work/in.sjis" 512)
whole=$("$bin" text "$work/in.sjis" 2048)
awk -v q="$quarter" -v w="$whole" 'BEGIN {
  printf "sjis_to_euc: a text in memory, 2 MiB vs 512 KiB, best of 5: time x%.2f for x4 the size (%.2f of linear)\n", w / q, w / q / 4
}'
rm -f "$work/in.sjis" "$work/ours.euc" "$work/iconv.euc"
