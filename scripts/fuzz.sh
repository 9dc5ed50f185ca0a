#!/usr/bin/env bash
# scripts/fuzz.sh [seconds] [harness...]: builds the fuzzing harnesses of
# fuzz/ with clang's libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer
# under build/fuzz, and runs each harness (all by default) for the given
# wall-clock time (default 60 s), one after another. FUZZ_FORK=N runs N
# fuzzing processes per harness. Prints per harness the CPU time used and
# what was found; exits non-zero when anything was found.
#
# New inputs go to build/fuzz/corpus/<name> (seeded from fuzz/corpus/<name>);
# an input that finds a fault is written to build/fuzz/findings/<name>/ and
# belongs, once fixed, in fuzz/corpus/<name>/, whose every file the test
# suite replays. The readers' own reports on standard error are muted while
# fuzzing (libFuzzer's and the sanitizers' are not); the replay build
# (build/plain/fuzz/fuzz_<name> <input>) shows them, with the text of a
# failed check.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift || true
fork=${FUZZ_FORK:-1}

"$root/scripts/setup.sh" clang libclang-rt-14-dev

export LC_ALL=C.UTF-8
build="$root/build/fuzz"

if [ $# -gt 0 ]; then
  harnesses=("$@")
else
  # A harness is a folder of fuzz/ whose source defines the fuzzer's entry.
  harnesses=()
  for dir in "$root"/fuzz/*/; do
    grep -qsE "LLVMFuzzerTestOneInput\([^;]*$" "$dir"*.cpp && harnesses+=("$(basename "$dir")")
  done
fi
targets=()
for name in "${harnesses[@]}"; do targets+=("fuzz_$name"); done

cmake -S "$root" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTREL_FUZZ=ON >/dev/null
if ! cmake --build "$build" -j "$(( $(nproc) > 4 ? 4 : $(nproc) ))" --target "${targets[@]}" >"$build/build.log" 2>&1; then
  cat "$build/build.log"
  exit 1
fi

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# The harnesses rewrite a scratch file for every input: on a memory file
# system when there is one, which runs them several times faster.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  TMPDIR=$(mktemp -d /dev/shm/vantrel-fuzz.XXXXXX)
else
  TMPDIR=$(mktemp -d "$build/tmp.XXXXXX")
fi
export TMPDIR
trap 'rm -rf "$TMPDIR"' EXIT

found_any=0
printf '%-14s %10s  %s\n' harness "cpu s" found
for name in "${harnesses[@]}"; do
  corpus="$build/corpus/$name"
  findings="$build/findings/$name"
  mkdir -p "$corpus" "$findings"
  before=$(ls "$findings" | wc -l)
  args=(-max_total_time="$seconds" -close_fd_mask=2 -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=256 -max_len=16384
        -artifact_prefix="$findings/" -print_final_stats=1)
  [ -f "$root/fuzz/dict/$name.dict" ] && args+=(-dict="$root/fuzz/dict/$name.dict")
  [ "$fork" -gt 1 ] && args+=(-fork="$fork" -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1)
  log="$build/$name.log"
  TIMEFORMAT='%U %S'
  cpu=$( { time "$build/fuzz/fuzz_$name" "${args[@]}" "$corpus" "$root/fuzz/corpus/$name" >"$log" 2>&1 || true; } 2>&1 )
  cpu=$(awk '{ printf "%.0f", $1 + $2 }' <<<"$cpu")
  after=$(ls "$findings" | wc -l)
  if [ "$after" -gt "$before" ]; then
    found_any=1
    found="$((after - before)) new in $findings ($(ls -t "$findings" | head -n $((after - before)) | tr '\n' ' '))"
  else
    found="nothing ($(ls "$corpus" | wc -l) inputs in its corpus; log $log)"
  fi
  printf '%-14s %10s  %s\n' "$name" "$cpu" "$found"
done
exit $found_any
