#!/usr/bin/env bash
# Crash safety of the whole program on a generated project:
#   crash_safety.sh <vantrel> <vantrel_workload> [kills]
# - SIGKILL at random moments, <kills> times (default 10), each run going on
#   from what the last one left; half of the runs follow a change of the
#   baseline's digest, so the cache is rebuilt and "patch.xml" replaced; when
#   strace can trace, every fifth kill lands exactly in the replacement of
#   "patch.xml" (at the sync of the new file, at its rename), and as many
#   at the one write that adds a small section to its message file in place;
# - two and three runs at once on one output directory, started together
#   and staggered: every section lands whole;
# - a project whose sections are several MB each (one header named by every
#   source, with thousands of baselined suppressions): SIGKILL and SIGTERM
#   exactly at the copy, the naming and the rename of a new message file,
#   and SIGKILL at random moments; more of them when <kills> is above 10;
#   then the same files with a second name each, so that each section goes
#   in place: SIGKILL, SIGTERM, SIGUSR1 and SIGALRM exactly at its write;
# - SIGTERM and SIGINT while a diff command hangs;
# - a disk that fills (RLIMIT_FSIZE), with SIGXFSZ ignored (writes fail) and
#   with its default action (the program is killed by it);
# - a diff command that floods its output.
# After every run: each message file reads completely and is its original
# followed by whole sections, each the section of a clean run; "patch.xml" is
# well-formed and every entry in it holds the change commands and digest of a
# fresh diff; no diff process is left; nothing but the message files and
# "patch.xml" is in the output directory. Needs strace for the aimed kills
# (scripts/setup.sh installs it); without it they are skipped, each part so
# left out named when it comes and again in the last line, and the kills
# of the first part all come at random moments. CRASH_SEED repeats a run's
# random choices. Prints the kills by phase and exits non-zero at the first
# failure.
set -u

if [ $# -lt 2 ]; then
    echo "usage: $0 <vantrel> <vantrel_workload> [kills]" >&2
    exit 2
fi
vantrel=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
workload=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
kills=${3:-10}
seed=${CRASH_SEED:-$$}
RANDOM=$seed

for tool in sqlite3 diff md5sum prlimit; do
    command -v "$tool" >/dev/null || { echo "crash_safety: missing $tool" >&2; exit 2; }
done

root=$(mktemp -d "${TMPDIR:-/tmp}/vantrel-crash.XXXXXX")
keep=0
pid=
trap '[ -z "$pid" ] || kill -KILL "$pid" 2>/dev/null; [ "$keep" = 1 ] || rm -rf "$root"' EXIT

fail() {
    keep=1
    echo "crash_safety: FAILED (seed $seed): $*" >&2
    echo "crash_safety: kept $root" >&2
    [ -f "$root/log" ] && { echo "--- last log lines"; tail -5 "$root/log"; } >&2
    exit 1
}

for name in $(compgen -e); do
    case $name in
    ZXC* | ZXD* | ZXJ* | TMP | RCPATH | LANG | LANGUAGE | NO_LANG_CACHE | VORA_QTDIR | DUMMY_CODEC | UNICODEMAP_JP) unset "$name" ;;
    esac
done
mkdir -p "$root/bin" "$root/tmp" "$root/home" "$root/tools"
: >"$root/bin/zxc.cfg"
export ZXCBIN="$root/bin" ZXCTEMPFILES="$root/tmp" HOME="$root/home" LC_ALL=C.UTF-8

# skip <what is left out>: a part of the test that cannot run here.
skipped=()
skip() {
    echo "crash_safety: skipped: $*"
    skipped+=("$*")
}

# ---------------------------------------------------------------- the project

w="$root/w"
mkdir -p "$w"
"$workload" make "$w" 24 48 7 || fail "the workload could not be made"
{
    cat "$w/baseline.sql"
    # A table vantrel never reads: changing it changes only the digest.
    echo "CREATE TABLE Z_Stamp (v INTEGER); INSERT INTO Z_Stamp VALUES (0);"
} | sqlite3 "$w/baseline.sup" || fail "sqlite3 failed"
cp -r "$w/out" "$w/pristine"
mapfile -t sources <"$w/sources.txt"

# expected_cache <dir>: the change commands and digest a fresh diff gives
# for every named file of the workload in dir, in the form
# "vantrel_workload dump-cache" prints.
expected_cache() {
    local f commands
    while IFS= read -r f; do
        commands=$(diff -N "$1/base/$f" "$1/cur/$f" | grep -E '^[0-9]' | grep -v '[<>-]' | tr '\n' ' ')
        printf '%s\t%s\t%s\n' "$1/cur/$f" "$(md5sum <"$1/cur/$f" | cut -c1-32)" "${commands% }"
    done <"$1/files.txt"
}
expected_cache "$w" >"$root/expected-cache"

# The diff command of the special runs: GNU diff, but the file named in
# $root/hang hangs (in a program whose name says it is ours) and the file
# named in $root/flood floods standard output first.
cp "$(command -v sleep)" "$root/tools/hang-sleep"
cat >"$root/tools/difftool" <<EOF
#!/bin/sh
if [ -f "$root/hang" ] && [ "\$2" = "\$(cat "$root/hang")" ]; then
    : >"$root/hanging"
    exec "$root/tools/hang-sleep" 300
fi
if [ -f "$root/flood" ] && [ "\$2" = "\$(cat "$root/flood")" ]; then
    case \$(cat "$root/flood-kind") in
    lines) yes '< a line the diff tool repeats' | head -n 1600000 ;;
    long) head -c 50000000 /dev/zero | tr '\\0' x; echo ;;
    esac
fi
exec diff -N "\$1" "\$2"
EOF
chmod +x "$root/tools/difftool"

gnu_diff="diff -N $w/base/%BB %BF"
tool_diff="$root/tools/difftool $w/base/%BB %BF"

# The project that start runs on and check checks: its directory, the files
# of a clean run's message files and the cache a fresh diff gives.
cw=$w
cref=$root/reference
ccache=$root/expected-cache

# start <diff command> [<command prefix>...]: vantrel in the background on
# the project being checked ($cw, see check), its log in $root/log; its pid
# in $pid.
start() {
    local command=$1
    shift
    rm -f "$root/log"
    start_as "$root/log" "$root/stdout" "$root/stderr" "$command" "$@"
}

# start_as <log> <stdout> <stderr> <diff command> [<command prefix>...]: the
# same with other files for the log and the output.
start_as() {
    local log=$1 out=$2 err=$3 command=$4 list
    shift 4
    mapfile -t list <"$cw/sources.txt"
    # A background command of a script starts with SIGINT and SIGQUIT
    # ignored, which vantrel keeps: SIGINT is to end these runs.
    ZXCOUTPATH="$cw/out" env --default-signal=INT,QUIT "$@" "$vantrel" ZXC -sf "$cw/baseline.sup" -sop "$cw/cur" \
        -sdt "$command" -po "baseline::log=$log" "${list[@]}" >"$out" 2>"$err" &
    pid=$!
}

# finish: waits for the run started last; its exit code in $rc.
finish() {
    { wait "$pid"; } 2>/dev/null
    rc=$?
}

stamp=0
change_digest() {
    stamp=$((stamp + 1))
    sqlite3 "$w/baseline.sup" "UPDATE Z_Stamp SET v = $stamp;" || fail "sqlite3 could not change the baseline"
}

# ---------------------------------------------------------------- the checks

# ours_running: whether a process of ours (a diff of the project, the
# hanging tool) runs. One grep over every command line: the patterns come
# from a file, so that grep's own command line does not match.
ours_running() {
    printf '%s\n' "$cw/base/" "$root/tools/hang-sleep" >"$root/ours.patterns"
    grep -qaF -f "$root/ours.patterns" /proc/[0-9]*/cmdline 2>/dev/null
}

# hang_running: whether the hanging program of the diff command runs.
hang_running() {
    printf '%s\n' "$root/tools/hang-sleep" >"$root/hang.patterns"
    grep -qaF -f "$root/hang.patterns" /proc/[0-9]*/cmdline 2>/dev/null
}

# check <what>: the state after a run.
check() {
    local what=$1 i
    # A killed vantrel cannot end its diff; GNU diff ends on its own at once.
    for ((i = 0; i < 100; i++)); do
        ours_running || break
        sleep 0.05
    done
    ours_running && fail "$what: a diff process is left"
    "$workload" check-err "$cw/pristine" "$cw/out" "$cref" >"$root/check-err" 2>&1 ||
        fail "$what: $(cat "$root/check-err")"
    if [ -e "$cw/out/patch.xml" ]; then
        "$workload" dump-cache "$cw/out/patch.xml" >"$root/cache" 2>"$root/check-cache" ||
            fail "$what: $(cat "$root/check-cache")"
        if grep -vxFf "$ccache" "$root/cache" >"$root/bad-entries"; then
            fail "$what: entries of patch.xml that a fresh diff does not give:
$(head -5 "$root/bad-entries")"
        fi
    fi
    local stray
    stray=$(ls -A "$cw/out" | grep -vE '\.err$|^patch\.xml$')
    [ -z "$stray" ] || fail "$what: left in the output directory: $stray"
}

# ---------------------------------------------------------------- a clean run

# Peak memory is compared between a clean run and a flooded one; in a
# sanitizer build freed memory would otherwise stay held in quarantine.
asan_no_quarantine="${ASAN_OPTIONS:+$ASAN_OPTIONS:}quarantine_size_mb=0"

mkdir -p "$root/reference" "$root/reference-after-one"
cp "$w"/pristine/*.err "$root/reference/"
t0=$EPOCHREALTIME
ZXCOUTPATH="$root/reference" ASAN_OPTIONS="$asan_no_quarantine" "$workload" peak-memory "$root/clean-rss" "$vantrel" ZXC -sf "$w/baseline.sup" \
    -sop "$w/cur" -sdt "$gnu_diff" "${sources[@]}" >/dev/null 2>&1 || fail "the clean run failed"
cold_ms=$(awk -v a="$t0" -v b="$EPOCHREALTIME" 'BEGIN { printf "%d", (b - a) * 1000 + 1 }')
cp "$root/reference/"*.err "$root/reference-after-one/" 2>/dev/null
t0=$EPOCHREALTIME
ZXCOUTPATH="$root/reference" "$vantrel" ZXC -sf "$w/baseline.sup" -sop "$w/cur" -sdt "$gnu_diff" \
    "${sources[@]}" >/dev/null 2>&1 || fail "the warm clean run failed"
warm_ms=$(awk -v a="$t0" -v b="$EPOCHREALTIME" 'BEGIN { printf "%d", (b - a) * 1000 + 1 }')
mv "$root/reference/patch.xml" "$root/reference-cache.xml"
rm -f "$root/reference/"*.err
cp "$root/reference-after-one/"*.err "$root/reference/"
check "a clean run"
"$workload" dump-cache "$root/reference-cache.xml" | sort | cmp -s - <(sort "$root/expected-cache") ||
    fail "the cache of a clean run is not the fresh diffs of every file"

# The checks catch damage: a cut section, a changed original byte, a cut
# "patch.xml", an entry that a fresh diff does not give.
control="$root/control"
mkdir -p "$control"
cp "$root/reference/"*.err "$control/"
one="$control/$(basename "${sources[0]}").err"
truncate -s -3 "$one"
"$workload" check-err "$w/pristine" "$control" "$root/reference" >/dev/null 2>&1 && fail "a cut section passed the check"
cp "$root/reference/$(basename "$one")" "$one"
printf 'X' | dd of="$one" bs=1 seek=9 conv=notrunc 2>/dev/null
"$workload" check-err "$w/pristine" "$control" "$root/reference" >/dev/null 2>&1 && fail "a changed byte passed the check"
head -c $(($(stat -c %s "$root/reference-cache.xml") / 2)) "$root/reference-cache.xml" >"$control/cut.xml"
"$workload" dump-cache "$control/cut.xml" >/dev/null 2>&1 && fail "a cut patch.xml passed the check"
sed '0,/<PATCH>/s//<PATCH>1c1<\/PATCH><PATCH>/' "$root/reference-cache.xml" >"$control/wrong.xml"
"$workload" dump-cache "$control/wrong.xml" | grep -vxFf "$root/expected-cache" >/dev/null ||
    fail "a wrong patch.xml entry passed the check"
rm -rf "$control"

# ---------------------------------------------------------------- SIGKILL

can_strace=0
# A traced run: a sanitizer build's leak check cannot run under ptrace.
traced=(env "ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" strace -o /dev/null)
if command -v strace >/dev/null && strace -o /dev/null -e trace=rename true 2>/dev/null; then
    can_strace=1
else
    skip "SIGKILL aimed at the replacement of patch.xml and at an in-place write (strace cannot trace here)"
fi

declare -A phases=()
# phase_of_log: where the run was when it stopped, from its last log line.
phase_of_log() {
    local opened last
    [ -s "$root/log" ] || { echo "start-up"; return; }
    opened=$(grep -c $'\t : Opening : ' "$root/log")
    last=$(tail -1 "$root/log" | sed 's/^[^\t]*\t : //')
    if [ "$opened" = 0 ]; then
        echo "start-up (options, cache, database)"
    elif [ "$opened" = "${#sources[@]}" ] && [ "$last" = "Parsing complete" ]; then
        echo "last message file"
    else
        case $last in
        %B* | diff* | ROOTCHECK* | INFO* | Warning* | " "* | stdout* | stderr* | exitcode*) echo "diff commands" ;;
        *) echo "message files and database" ;;
        esac
    fi
}

# replacements_ahead: how many message files the next run replaces by a new
# file rather than adding to in place: those whose clean-run section would
# not fit in the last page of the file as it is now.
page=$(getconf PAGESIZE)
replacements_ahead() {
    local s name size section n=0
    for s in "${sources[@]}"; do
        name=$(basename "$s").err
        size=$(stat -c %s "$w/out/$name")
        section=$(($(stat -c %s "$root/reference/$name") - $(stat -c %s "$w/pristine/$name")))
        ((size % page + section > page)) && n=$((n + 1))
    done
    echo "$n"
}

completed=0
left_named=0
for ((k = 1; k <= kills; k++)); do
    range_ms=$warm_ms
    if ((RANDOM % 2 == 0)); then
        change_digest
        range_ms=$cold_ms
    fi
    if [ "$can_strace" = 1 ] && ((k % 5 == 0)); then
        # Exactly inside the replacement of "patch.xml": at the sync of the
        # new file, or at its rename. The changed digest makes the run save.
        change_digest
        # A message file whose section spans pages is swapped into place
        # (renameat2), so the save's is the one renameat. Message files are
        # not synced.
        if ((k % 10 == 0)); then at=renameat when=1; else at=fsync when=1; fi
        start "$gnu_diff" "${traced[@]}" -e trace=$at -e inject=$at:signal=KILL:when=$when
        finish
        phase="replacing patch.xml ($at)"
    elif [ "$can_strace" = 1 ] && ((k % 5 == 3)); then
        # Exactly at the one write that adds a section in place (a section
        # that fits in its file's last page).
        in_place=$((${#sources[@]} - $(replacements_ahead)))
        when=$((1 + RANDOM % (in_place > 0 ? in_place : 1)))
        start "$gnu_diff" "${traced[@]}" -e trace=pwrite64 -e inject=pwrite64:signal=KILL:when=$when
        finish
        phase="adding a section in place (pwrite)"
    else
        delay=$(awk -v r="$RANDOM" -v m="$range_ms" 'BEGIN { printf "%.3f", r / 32768 * m * 1.2 / 1000 }')
        start "$gnu_diff"
        sleep "$delay"
        kill -KILL "$pid" 2>/dev/null
        finish
        phase=$(phase_of_log)
    fi
    if [ "$rc" = 0 ]; then
        phase="finished before the kill"
        completed=$((completed + 1))
    elif [ "$rc" != 137 ]; then
        fail "kill $k: exit code $rc, expected 137 or 0: $(cat "$root/stderr")"
    fi
    phases[$phase]=$((${phases[$phase]:-0} + 1))
    # A kill in the last instant of a replacement may leave a file under its
    # temporary name: patch.xml's new file at its rename, or a message
    # file's old one between the swap and its removal. The next run, which
    # saves patch.xml too, must remove it.
    if [ "$rc" = 137 ] && compgen -G "$w/out/.vantrel-*" >/dev/null; then
        left_named=$((left_named + 1))
        change_digest
        start "$gnu_diff"
        finish
        [ "$rc" = 0 ] || fail "the run after kill $k: exit code $rc"
    fi
    check "kill $k ($phase)"
done

echo "SIGKILL: $kills runs (strace-aimed kills: $([ "$can_strace" = 1 ] && echo yes || echo "no, skipped")):"
for phase in "${!phases[@]}"; do
    printf '  %3d  %s\n' "${phases[$phase]}" "$phase"
done | sort -k2
[ "$left_named" = 0 ] || echo "  ($left_named kills left a file under its temporary name; the next run removed it)"

# A run after the kills ends the sequence normally.
start "$gnu_diff"
finish
[ "$rc" = 0 ] || fail "the run after the kills: exit code $rc"
check "the run after the kills"

# ---------------------------------------------------------------- runs at once

# sections_now: the sections appended in all to the message files of the
# project being checked.
sections_now() {
    "$workload" check-err "$cw/pristine" "$cw/out" "$cref" | sed -n 's/.*, \([0-9]*\) sections$/\1/p'
}

# runs_at_once <n> <together|staggered>: n runs on the one output directory,
# started together or each a random part of a warm run after the last; half
# of the times after a change of the digest, so that they also save
# "patch.xml" side by side. Every run appends its section to every message
# file, whole, whatever the order.
runs_at_once() {
    local n=$1 how=$2 i before after pids=()
    ((RANDOM % 2 == 0)) && change_digest
    before=$(sections_now)
    for ((i = 1; i <= n; i++)); do
        start_as "$root/log.$i" "$root/stdout.$i" "$root/stderr.$i" "$gnu_diff"
        pids+=("$pid")
        [ "$how" = staggered ] && sleep "$(awk -v r="$RANDOM" -v m="$warm_ms" 'BEGIN { printf "%.3f", r / 32768 * m / 1000 }')"
    done
    for ((i = 0; i < n; i++)); do
        { wait "${pids[$i]}"; } 2>/dev/null
        rc=$?
        [ "$rc" = 0 ] || fail "$n runs at once ($how): run $((i + 1)) ended with exit code $rc: $(head -3 "$root/stderr.$((i + 1))")"
    done
    pid=
    check "$n runs at once ($how)"
    after=$(sections_now)
    [ "$after" = $((before + n * ${#sources[@]})) ] ||
        fail "$n runs at once ($how): $((after - before)) sections added, expected $((n * ${#sources[@]}))"
    rm -f "$root"/log.* "$root"/stdout.* "$root"/stderr.*
}

concurrent_rounds=$((1 + kills / 25))
for ((r = 0; r < concurrent_rounds; r++)); do
    runs_at_once 2 together
    runs_at_once 3 staggered
    if ((kills > 10)); then
        runs_at_once 3 together
        runs_at_once 2 staggered
    fi
done
echo "runs at once on one output directory: $concurrent_rounds round(s), every section whole and none lost, patch.xml sound"

# ---------------------------------------------------------------- SIGTERM, SIGINT

hang_source=$((${#sources[@]} / 2))
for signal in TERM INT; do
    change_digest
    printf '%s' "${sources[$hang_source]}" >"$root/hang"
    rm -f "$root/hanging"
    start "$tool_diff"
    for ((i = 0; i < 600; i++)); do
        [ -e "$root/hanging" ] && hang_running && break
        sleep 0.05
    done
    [ -e "$root/hanging" ] && hang_running || { kill -KILL "$pid"; fail "SIG$signal: the diff command never hung"; }
    before=$(cat "$w/out/$(basename "${sources[$hang_source]}").err" | md5sum)
    kill -"$signal" "$pid"
    finish
    rm -f "$root/hang"
    [ "$rc" = 19 ] || fail "SIG$signal during a diff: exit code $rc, expected 19"
    grep -qxF "Caught signal: (SIG$signal)" "$root/stderr" || fail "SIG$signal: no 'Caught signal' line"
    [ "$(md5sum <"$w/out/$(basename "${sources[$hang_source]}").err")" = "$before" ] ||
        fail "SIG$signal: the message file of the interrupted source changed"
    check "SIG$signal during a diff"
    echo "SIG$signal during a hanging diff: exit code 19, message files whole, the diff ended"
done

# ---------------------------------------------------------------- a full disk

# Each case starts from the analyser's message files and the last
# "patch.xml". Limits: half a section more than the first message file holds
# (its append is cut short; the run ends with exit code 18), and half of
# "patch.xml" (every append fits, the save does not: the old file stays).
first_err="$(basename "${sources[0]}").err"
section=$(($(stat -c %s "$root/reference/$first_err") - $(stat -c %s "$w/pristine/$first_err")))
for limit in $(($(stat -c %s "$w/pristine/$first_err") + section / 2)) $(($(stat -c %s "$w/out/patch.xml") / 2)); do
    for xfsz in ignored default; do
        cp "$w"/pristine/*.err "$w/out/"
        change_digest
        old_cache=$(md5sum <"$w/out/patch.xml")
        (
            [ "$xfsz" = ignored ] && trap '' XFSZ
            ZXCOUTPATH="$w/out" exec prlimit --fsize=$limit:$limit "$vantrel" ZXC -sf "$w/baseline.sup" \
                -sop "$w/cur" -sdt "$gnu_diff" "${sources[@]}" >"$root/stdout" 2>"$root/stderr"
        ) 2>/dev/null
        rc=$?
        case $rc in
        0 | 18) ;;
        *) fail "files limited to $limit bytes, SIGXFSZ $xfsz: exit code $rc: $(head -3 "$root/stderr")" ;;
        esac
        [ "$(md5sum <"$w/out/patch.xml")" = "$old_cache" ] ||
            fail "files limited to $limit bytes, SIGXFSZ $xfsz: patch.xml changed"
        check "files limited to $limit bytes, SIGXFSZ $xfsz"
        echo "files limited to $limit bytes, SIGXFSZ $xfsz: exit code $rc, message files whole, patch.xml as it was"
    done
done

# The first limit where the output directory takes no new file: the
# sections go in place, each with one write, and the one cut short is cut
# back to the size the file had. Root may create files anywhere, so the run
# goes as another user who may write the files but not the directory.
limit=$(($(stat -c %s "$w/pristine/$first_err") + section / 2))
cp "$w"/pristine/*.err "$w/out/"
change_digest
old_cache=$(md5sum <"$w/out/patch.xml")
as=()
if [ "$(id -u)" = 0 ]; then
    chmod 755 "$root"
    chmod 777 "$root/tmp"
    chown 65534:65534 "$w"/out/*.err "$w/out/patch.xml"
    as=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
chmod 555 "$w/out"
(
    trap '' XFSZ
    ZXCOUTPATH="$w/out" exec prlimit --fsize=$limit:$limit "${as[@]}" "$vantrel" ZXC -sf "$w/baseline.sup" \
        -sop "$w/cur" -sdt "$gnu_diff" "${sources[@]}" >"$root/stdout" 2>"$root/stderr"
) 2>/dev/null
rc=$?
chmod 755 "$w/out"
[ "$(id -u)" = 0 ] && chown 0:0 "$w"/out/*.err "$w/out/patch.xml"
[ "$rc" = 18 ] || fail "in place, files limited to $limit bytes: exit code $rc, expected 18: $(head -3 "$root/stderr")"
[ "$(md5sum <"$w/out/patch.xml")" = "$old_cache" ] || fail "in place, files limited to $limit bytes: patch.xml changed"
check "in place, files limited to $limit bytes"
echo "files limited to $limit bytes, output directory that takes no new file: exit code 18, the cut section cut back"

# ---------------------------------------------------------------- a flooding diff

for kind in lines long; do
    change_digest
    printf '%s' "${sources[1]}" >"$root/flood"
    printf '%s' "$kind" >"$root/flood-kind"
    rm -f "$root/log"
    t0=$EPOCHREALTIME
    ZXCOUTPATH="$w/out" ASAN_OPTIONS="$asan_no_quarantine" "$workload" peak-memory "$root/rss" "$vantrel" ZXC -sf "$w/baseline.sup" -sop "$w/cur" \
        -sdt "$tool_diff" "${sources[@]}" >"$root/stdout" 2>"$root/stderr"
    rc=$?
    rm -f "$root/flood"
    [ "$rc" = 0 ] || fail "a diff flooding its output ($kind): exit code $rc"
    check "a diff flooding its output ($kind)"
    echo "a diff flooding 50 MB ($kind): exit code 0, peak memory $(($(cat "$root/rss") / 1024)) MiB" \
        "(a clean run: $(($(cat "$root/clean-rss") / 1024)) MiB), message files whole"
    (($(cat "$root/rss") < $(cat "$root/clean-rss") + 25 * 1024)) ||
        fail "a diff flooding its output ($kind): the run held the flood in memory"
done

# ---------------------------------------------------------------- large sections

# Four sources that all name one header with thousands of baselined
# suppressions: every section is about 1 MB in the short test, several MB
# in the full one, where each case also starts from the message files after
# one clean run, so that the copy is of MB too (reading MB for the checks
# is slow in a sanitizer build).
if ((kills > 10)); then big_suppressions=50000; else big_suppressions=20000; fi
b="$root/b"
mkdir -p "$b"
"$workload" make "$b" 4 8 7 "$big_suppressions" || fail "the large workload could not be made"
sqlite3 "$b/baseline.sup" <"$b/baseline.sql" || fail "sqlite3 failed on the large workload"
cp -r "$b/out" "$b/pristine"
expected_cache "$b" >"$root/expected-cache-big"
mkdir -p "$root/reference-big"
cp "$b"/pristine/*.err "$root/reference-big/"
mapfile -t big_sources <"$b/sources.txt"
big_diff="diff -N $b/base/%BB %BF"
t0=$EPOCHREALTIME
ZXCOUTPATH="$root/reference-big" "$vantrel" ZXC -sf "$b/baseline.sup" -sop "$b/cur" -sdt "$big_diff" \
    "${big_sources[@]}" >/dev/null 2>&1 || fail "the clean run of the large workload failed"
big_ms=$(awk -v a="$t0" -v b="$EPOCHREALTIME" 'BEGIN { printf "%d", (b - a) * 1000 + 1 }')
rm -f "$root/reference-big/patch.xml"
cw=$b cref=$root/reference-big ccache=$root/expected-cache-big
restore_big() {
    if ((kills > 10)); then
        cp "$root/reference-big/"*.err "$b/out/"
    else
        cp "$b/pristine/"*.err "$b/out/"
    fi
}
big_section=$(($(stat -c %s "$root/reference-big/$(basename "${big_sources[0]}").err") -
    $(stat -c %s "$b/pristine/$(basename "${big_sources[0]}").err")))

# after_big <what> <expected exit codes...>: the exit code of the run just
# ended is one of them; a new file left under its temporary name (SIGKILL
# between naming and renaming) is removed by the next run.
after_big() {
    local what=$1 ok=0 code
    shift
    for code in "$@"; do [ "$rc" = "$code" ] && ok=1; done
    [ "$ok" = 1 ] || fail "$what: exit code $rc, expected $*: $(head -3 "$root/stderr")"
    if [ "$rc" = 19 ]; then
        grep -qxF "Caught signal: (SIGTERM)" "$root/stderr" || fail "$what: no 'Caught signal' line"
    fi
    if compgen -G "$b/out/.vantrel-*" >/dev/null; then
        left_named=$((left_named + 1))
        start "$big_diff"
        finish
        [ "$rc" = 0 ] || fail "the run after $what: exit code $rc"
    fi
    check "$what"
}

left_named=0
if [ "$can_strace" = 1 ]; then
    # One gathering write fills each new file (the old bytes, the section).
    declare -A calls=([writev]=4 [linkat]=4 [renameat2]=4 [unlinkat]=4)
    aimed=0
    for ((round = 0; round < 1 + kills / 50; round++)); do
        for at in writev linkat renameat2 unlinkat; do
            for signal in KILL TERM; do
                restore_big
                when=$((1 + RANDOM % ${calls[$at]}))
                start "$big_diff" "${traced[@]}" -e trace=$at -e inject=$at:signal=$signal:when=$when
                finish
                if [ "$signal" = KILL ]; then expected=137; else expected=19; fi
                # 0: the call was not made (a file system without unnamed files).
                [ "$rc" = 0 ] || aimed=$((aimed + 1))
                after_big "SIG$signal at $at number $when of a large section" "$expected" 0
            done
        done
    done
    echo "large sections ($((big_section / 1024)) KiB each): $aimed kills aimed at the filling, naming and swap of a new message file and the removal of the old one (SIGKILL, SIGTERM)"
else
    skip "large sections: SIGKILL and SIGTERM aimed at the filling, naming and swap of a new message file and the removal of the old one (strace cannot trace here)"
fi
random_kills=$((2 + kills / 10))
for ((k = 1; k <= random_kills; k++)); do
    restore_big
    delay=$(awk -v r="$RANDOM" -v m="$big_ms" 'BEGIN { printf "%.3f", r / 32768 * m * 1.2 / 1000 }')
    start "$big_diff"
    sleep "$delay"
    kill -KILL "$pid" 2>/dev/null
    finish
    after_big "SIGKILL at a random moment of a run with large sections" 137 0
done
echo "large sections: $random_kills SIGKILLs at random moments; every message file whole"
[ "$left_named" = 0 ] || echo "  ($left_named kills left a new message file under its temporary name; the next run removed it)"

# The same files with a second name each: a section of MB goes in place,
# one write with every signal held. SIGKILL before it leaves the file as it
# was; SIGTERM, or a signal whose default action ends the program (SIGUSR1,
# SIGALRM, 32 and 33, which the C library keeps for itself), at the write
# waits until the section is whole.
if [ "$can_strace" = 1 ]; then
    mkdir -p "$b/links"
    restore_big
    for s in "${big_sources[@]}"; do
        ln -f "$b/out/$(basename "$s").err" "$b/links/$(basename "$s").err"
    done
    declare -A in_place_codes=([KILL]=137 [TERM]=19 [USR1]=138 [ALRM]=142 [32]=160 [33]=161)
    for signal in KILL TERM USR1 ALRM 32 33; do
        restore_big
        when=$((1 + RANDOM % ${#big_sources[@]}))
        start "$big_diff" "${traced[@]}" -e trace=pwrite64 -e inject=pwrite64:signal=$signal:when=$when
        finish
        after_big "SIG$signal at the in-place write number $when of a large section" "${in_place_codes[$signal]}"
        [ "$(stat -c %h "$b/out/$(basename "${big_sources[0]}").err")" = 2 ] ||
            fail "SIG$signal at an in-place write: a message file lost its second name"
    done
    rm -rf "$b/links"
    echo "large sections in place (a second name each): SIGKILL, SIGTERM, SIGUSR1, SIGALRM, 32 and 33 at the write; every message file whole"
else
    skip "large sections in place: SIGKILL, SIGTERM, SIGUSR1, SIGALRM, 32 and 33 at the write (strace cannot trace here)"
fi

if ((${#skipped[@]} == 0)); then
    echo "crash_safety: all checks passed (seed $seed)"
else
    printf 'crash_safety:   skipped: %s\n' "${skipped[@]}"
    echo "crash_safety: the checks that ran passed (seed $seed); ${#skipped[@]} parts skipped"
fi
