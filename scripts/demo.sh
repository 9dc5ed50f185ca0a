#!/usr/bin/env bash
# The main job, end to end, on the example project under examples/:
#   - installs what is missing and builds an optimised vantrel;
#   - makes the baseline (.sup) with sqlite3 from examples/baseline.sql;
#   - writes the analyser's message files with a small generator over the
#     project's own message-file writer (examples/diagnostics.txt);
#   - runs vantrel with GNU diff as the diff command, the log on stdout;
#   - shows what was appended and what became of each baselined suppression,
#     and "patch.xml";
#   - runs again: the cache replays, no diff process starts.
# Works from any directory. Everything it writes goes under $VANTREL_DEMO_DIR
# (default: vantrel-demo in the temporary directory), never into the sources.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=${VANTREL_DEMO_DIR:-${TMPDIR:-/tmp}/vantrel-demo}

"$root/scripts/setup.sh"

echo "== building vantrel (optimised) in $work/build"
cmake -S "$root" -B "$work/build" -DCMAKE_BUILD_TYPE=Release -DVANTREL_TESTS=OFF -DVANTREL_BENCH=OFF >/dev/null
cmake --build "$work/build" -j "${VANTREL_JOBS:-$(nproc)}" --target vantrel vantrel_errgen >/dev/null
vantrel="$work/build/bin/vantrel"
errgen="$work/build/bin/vantrel_errgen"

run="$work/run"
rm -rf "$run"
mkdir -p "$run/bin" "$run/out" "$run/tmp" "$run/home"
cp -r "$root/examples/baseline" "$root/examples/current" "$run/"
: >"$run/bin/zxc.cfg"

# The product's environment: its installation (an empty configuration file),
# where the message files and patch.xml live, its temporary directory.
for name in $(compgen -e); do
    case $name in ZXC*) unset "$name" ;; esac
done
export ZXCBIN="$run/bin" ZXCOUTPATH="$run/out" ZXCTEMPFILES="$run/tmp" HOME="$run/home" LC_ALL=C.UTF-8
unset LANG

echo "== the baseline: $run/baseline.sup"
sqlite3 "$run/baseline.sup" <"$root/examples/baseline.sql"

echo "== the analyser's message files in $run/out"
declare -A diagnostics=()
sources=()
while read -r source file line column message; do
    case $source in '' | '#'*) continue ;; esac
    [ -n "${diagnostics[$source]+x}" ] || sources+=("$source")
    diagnostics[$source]+=" $run/current/$file $line $column $message"
done <"$root/examples/diagnostics.txt"
inputs=()
for source in "${sources[@]}"; do
    # shellcheck disable=SC2086
    "$errgen" write "$run/out/$(basename "$source").err" ${diagnostics[$source]}
    inputs+=("$run/current/$source")
    echo "   $(basename "$source").err: $("$errgen" dump "$run/out/$(basename "$source").err" | grep -c '^diagnostic') diagnostics"
done

command=(-sf "$run/baseline.sup" -sop "$run/current" -sdt "diff $run/baseline/%BB %BF" -po baseline::log=-)
echo
echo "== first run: vantrel ZXC $(printf '%q ' "${command[@]}" "${inputs[@]}")"
(cd "$run" && "$vantrel" ZXC "${command[@]}" "${inputs[@]}") | tee "$run/first.log"

echo
echo "== what was appended (file, line, column, message number of each record)"
for source in "${sources[@]}"; do
    err="$run/out/$(basename "$source").err"
    echo "   $(basename "$err"):"
    "$errgen" dump "$err" | grep '^suppression' | sed "s#$run/current/##; s#^#      #"
done

echo
echo "== what became of each baselined suppression"
printf '   %-16s %8s %8s %8s   %s\n' file line column message "now"
sqlite3 -separator '|' "$run/baseline.sup" \
    "SELECT FR_Name, SP_Line, SP_Column, SP_Message, SP_State FROM DT_Suppression JOIN RF_FileReg ON SP_FileReg = FR_Primary ORDER BY FR_Name, SP_Line" |
    while IFS='|' read -r name line column message state; do
        file=${name#\$ROOTPATH/}
        if [ "$state" != 0 ]; then
            now="not in force (state $state): left out"
        else
            found=$(for source in "${sources[@]}"; do "$errgen" dump "$run/out/$(basename "$source").err"; done |
                awk -v f="$run/current/$file" -v c="$column" -v m="$message" \
                    '$1 == "suppression" && $2 == f && $4 == c && $5 == m { print $3; exit }')
            if [ -z "$found" ]; then
                now="dropped: its line was deleted or changed"
            elif [ "$found" = "$line" ]; then
                now="kept at line $found"
            else
                now="moved to line $found"
            fi
        fi
        printf '   %-16s %8s %8s %8s   %s\n' "$file" "$line" "$column" "$message" "$now"
    done

echo
echo "== $run/out/patch.xml"
cat "$run/out/patch.xml"

echo "== second run: nothing changed"
(cd "$run" && "$vantrel" ZXC "${command[@]}" "${inputs[@]}") >"$run/second.log"
echo "   diff processes started in the first run:  $(grep -c $'\t : %BF ' "$run/first.log" || true)"
echo "   diff processes started in the second run: $(grep -c $'\t : %BF ' "$run/second.log" || true)"
echo "   each message file gained one more section with the same records."
echo
echo "Everything is in $run"
