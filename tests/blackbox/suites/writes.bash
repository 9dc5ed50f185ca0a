# The files a run writes cannot be turned against anyone, whoever owns the
# output directory: patch.xml never gains rights, the log never follows a
# link or waits on a FIFO, the output directory is the one opened at its
# first use, and a section that cannot land whole (a size limit, a full
# disk, a lock held for ever, a close that fails) leaves its file as it was.
# Tests that need root, strace, inode flags or a mount are counted as
# skipped where those are missing.

# shellcheck source=sections.bash
. "$HERE/suites/sections.bash" || exit 2

# setup_large <n>: setup_replace with n suppressions of a.c, so that its
# section spans several pages.
setup_large() {
    setup_replace
    {
        reg 1 T '$ROOTPATH/src/a.c'
        local i
        for ((i = 1; i <= $1; i++)); do sup 1 0 2 "$i" 77; done
    } | make_sup "$SUP.new"
    mv "$SUP.new" "$SUP"
}

# run_logged <command prefix>...: run_a through the prefix with a log in
# $T/log.txt.
run_logged() {
    "$@" "$VANTREL" ZXC -sop "$T/cur" -sf "$SUP" -sdt "$(gnu_diff)" -po "baseline::log=$T/log.txt" \
        "$T/cur/src/a.c" >"$T/stdout" 2>"$T/stderr"
    rc=$?
}

# expect_not_appended <reason> [<message file>]: the run ended as for a file
# it cannot write, the message file (a.c.err) as it was, and the log says
# which file and why.
expect_not_appended() {
    local file=${2:-$T/out/a.c.err}
    expect_rc 18
    expect_unchanged "$file" "$A_ERR"
    expect_log_has "$T/log.txt" "Error : section not appended to $file"
    log_of "$T/log.txt" >"$T/log.masked"
    grep -qF "@ Reason : $1" "$T/log.masked" || test_failed "the log gives no reason '$1':
$(tail -3 "$T/log.masked")"
}

# The number of a system call on this machine; "" where it is not known.
syscall_number() {
    case "$(uname -m):$1" in
    x86_64:fsync) echo 74 ;;
    x86_64:copy_file_range) echo 326 ;;
    x86_64:linkat) echo 265 ;;
    esac
}

# run_held_at <call>...: run_logged in the background (its pid in $spid),
# the first of each of these system calls held for two seconds; returns once
# the run is in one of them (its number in /proc), or has ended, or after a
# minute.
run_held_at() {
    local call injects=()
    HELD_CALLS=("$@")
    for call in "$@"; do
        injects+=(-e "inject=$call:delay_enter=2000000:when=1")
    done
    traced -e "trace=$(IFS=,; echo "$*")" "${injects[@]}" -- \
        sh -c 'echo $$ >"$0"; exec "$@"' "$T/pid" \
        "$VANTREL" ZXC -sop "$T/cur" -sf "$SUP" -sdt "$(gnu_diff)" -po "baseline::log=$T/log.txt" \
        "$T/cur/src/a.c" >"$T/stdout" 2>"$T/stderr" &
    spid=$!
    wait_until 60 at_held_call
}

at_held_call() {
    local pid at call
    kill -0 "$spid" 2>/dev/null || return 0
    pid=$(cat "$T/pid" 2>/dev/null)
    at=$([ -n "$pid" ] && awk '{ print $1 }' "/proc/$pid/syscall" 2>/dev/null)
    for call in "${HELD_CALLS[@]}"; do
        [ -n "$at" ] && [ "$at" = "$(syscall_number "$call")" ] && return 0
    done
    return 1
}

SUITE_writes() {
    local mode owner

    TEST "another user's patch.xml of mode 6777, rewritten by root: its owner kept, no set-id or execute bit"
    if [ "$(id -u)" != 0 ]; then
        skip "needs root to make another user's file"
    else
        setup_replace
        write_hex "$T/out/patch.xml" "$(hexs "garbage")"
        chown 1234:2345 "$T/out/patch.xml"
        chmod 6777 "$T/out/patch.xml"
        run_a
        expect_rc 0
        expect_contains "$T/out/patch.xml" "<PATCHFILE sname="
        [ "$(stat -c '%u:%g %a' "$T/out/patch.xml")" = "1234:2345 666" ] ||
            test_failed "patch.xml is $(stat -c '%u:%g %a' "$T/out/patch.xml")"
    fi

    TEST "another user's patch.xml, rewritten by a run that cannot give it away: the runner's, its mode less the set-id and execute bits"
    if [ "$(id -u)" != 0 ]; then
        skip "needs root to make another user's file"
    else
        setup_replace
        as_nobody
        chmod 777 "$T/out"
        chmod 666 "$T/out/a.c.err"
        write_hex "$T/out/patch.xml" "$(hexs "garbage")"
        chown 1234:1234 "$T/out/patch.xml"
        chmod 6775 "$T/out/patch.xml"
        run_a_as "${AS[@]}"
        expect_rc 0
        [ "$(stat -c '%u:%g %a' "$T/out/patch.xml")" = "65534:65534 664" ] ||
            test_failed "patch.xml is $(stat -c '%u:%g %a' "$T/out/patch.xml")"
    fi

    TEST "patch.xml's ACL is kept, less its execute rights"
    if ! command -v setfacl >/dev/null; then
        skip "no setfacl"
    else
        setup_replace
        write_hex "$T/out/patch.xml" "$(hexs "garbage")"
        chmod 775 "$T/out/patch.xml"
        if ! setfacl -m u:65534:rwx "$T/out/patch.xml" 2>/dev/null; then
            skip "the file system takes no ACL"
        else
            run_a
            expect_rc 0
            getfacl -cpn "$T/out/patch.xml" 2>/dev/null >"$T/acl"
            expect_contains "$T/acl" "user:65534:rwx	#effective:rw-"
            expect_contains "$T/acl" "mask::rw-"
            [ "$(stat -c %a "$T/out/patch.xml")" = 664 ] || test_failed "mode $(stat -c %a "$T/out/patch.xml")"
        fi
    fi

    local planted
    for planted in link fifo; do
        TEST "a $planted at the log's name: not followed, never waited on; a warning and no log"
        setup_replace
        write_hex "$T/secret" "$(hexs "root only")"
        chmod 600 "$T/secret"
        if [ "$planted" = link ]; then
            ln -s ../secret "$T/out/a.c_log.txt"
        else
            mkfifo "$T/out/a.c_log.txt"
        fi
        timeout 60 "$VANTREL" ZXC -sop "$T/cur" -sf "$SUP" -sdt "$(gnu_diff)" -po "baseline::log=%Bf_log.txt" \
            "$T/cur/src/a.c" >"$T/stdout" 2>"$T/stderr"
        rc=$?
        expect_rc 0
        expect_file "$T/stdout" "Warning: unable to open log $T/out/a.c_log.txt
"
        expect_appended "$T/out/a.c.err" "$A_ERR"
        expect_file "$T/secret" "root only"
        [ "$(stat -c %a "$T/secret")" = 600 ] || test_failed "the link's target changed its mode"
    done

    TEST "an existing log is truncated and written afresh, every line with its time"
    setup_replace
    write_hex "$T/out/a.c_log.txt" "$(hexs "an older run's log, longer than this one's first line")"
    "$VANTREL" ZXC -sop "$T/cur" -sf "$SUP" -sdt "$(gnu_diff)" -po "baseline::log=%Bf_log.txt" \
        "$T/cur/src/a.c" >"$T/stdout" 2>"$T/stderr"
    rc=$?
    expect_rc 0
    expect_empty "$T/stdout"
    log_of "$T/out/a.c_log.txt" >/dev/null
    expect_not_contains "$T/out/a.c_log.txt" "an older run's log"

    TEST "the output directory renamed during the run and a link put in its place: the files read are the ones written"
    setup_replace
    lines b 3 >"$T/cur/src/b.c"
    lines b 3 >"$T/base/src/b.c"
    { reg 1 T '$ROOTPATH/src/a.c'; sup 1 0 2 1 77; reg 2 T '$ROOTPATH/src/b.c'; sup 2 0 3 1 88; } | make_sup "$SUP.new"
    mv "$SUP.new" "$SUP"
    err_new "$T/out/b.c.err"
    err_diag "$T/out/b.c.err" "$T/cur/src/b.c" 1 1 1
    local b_err
    b_err=$(file_hex "$T/out/b.c.err")
    write_hex "$T/out/patch.xml" "$(hexs "old cache")"
    # Another directory of the same files, which the link leads to.
    mkdir "$T/victim"
    cp -p "$T/out/a.c.err" "$T/out/b.c.err" "$T/out/patch.xml" "$T/victim/"
    tool swap-then-diff "[ -e $T/swapped ] || { mv $T/out $T/moved && ln -s victim $T/out && : >$T/swapped; }
exec diff \"\$@\""
    run_vantrel -sop "$T/cur" -sf "$SUP" -sdt "$T/tools/swap-then-diff $T/base/%BB %BF" "$T/cur/src/a.c" "$T/cur/src/b.c"
    expect_rc 0
    [ -e "$T/swapped" ] || test_failed "the diff command did not swap the directory"
    expect_unchanged "$T/victim/a.c.err" "$A_ERR"
    expect_unchanged "$T/victim/b.c.err" "$b_err"
    expect_file "$T/victim/patch.xml" "old cache"
    expect_appended "$T/moved/a.c.err" "$A_ERR"
    exp_section
    exp_sup "$T/cur/src/b.c" 3 1 88
    expect_appended "$T/moved/b.c.err" "$b_err"
    expect_contains "$T/moved/patch.xml" "<PATCHFILE sname="

    TEST "a file cut by a writer that takes no lock while its new file is written: left as it is, exit 18"
    if ! can_strace || [ -z "$(syscall_number fsync)" ]; then
        skip "needs strace and the system call numbers of this machine"
    else
        setup_large 400
        A_ERR=$(file_hex "$T/out/a.c.err")
        local size half
        size=$(stat -c %s "$T/out/a.c.err")
        half=$((size / 2))
        # The first sync (the new message file's) waits two seconds; that
        # is when the writer cuts the file. (copy_file_range: where a
        # replacement copies the old bytes, the same moment.)
        run_held_at fsync copy_file_range
        truncate -s "$half" "$T/out/a.c.err"
        wait "$spid"
        rc=$?
        A_ERR=${A_ERR:0:$((half * 2))}
        expect_not_appended "it changed while its new file was written"
    fi

    TEST "a fresh analysis renamed over the message file just before its new file takes its place: the analysis stays, exit 18"
    if ! can_strace || [ -z "$(syscall_number linkat)" ]; then
        skip "needs strace and the system call numbers of this machine"
    else
        setup_large 400
        A_ERR=$(file_hex "$T/out/a.c.err")
        err_new "$T/fresh.err"
        err_diag "$T/fresh.err" "$T/cur/src/a.c" 3 1 1
        local fresh
        fresh=$(file_hex "$T/fresh.err")
        # The naming of the new file (its first linkat) waits two seconds,
        # after every check of the old one: that is when the analyser
        # renames its result into place.
        run_held_at linkat
        mv "$T/fresh.err" "$T/out/a.c.err"
        wait "$spid"
        rc=$?
        expect_rc 18
        expect_unchanged "$T/out/a.c.err" "$fresh"
        expect_log_has "$T/log.txt" "Error : section not appended to $T/out/a.c.err"
        expect_entries "$T/out" a.c.err
    fi

    local change what reason
    local rows=(
        "size limit|the section would pass the file-size limit"
        "full disk|no room for the section"
    )
    for row in "${rows[@]}"; do
        IFS='|' read -r what reason <<<"$row"
        TEST "an append-only message file and a $what: nothing of the section lands, exit 18"
        setup_large 400
        local prefix=() out=$T/out
        if [ "$what" = "full disk" ]; then
            out=$T/small
            mkdir "$out"
            if ! mount_scratch tmpfs "$out" $((16 * PAGE)); then
                skip "no file system of its own can be mounted here"
                continue
            fi
            cp -p "$T/out/a.c.err" "$out/"
            # Leaves less room than the section takes.
            head -c $((12 * PAGE)) /dev/zero >"$out/filler"
            prefix=(env ZXCOUTPATH="$out")
        else
            # A message file larger than the log, which the limit binds too.
            append_hex "$T/out/a.c.err" "01$(le32 $((16 * PAGE)))"
            head -c $((16 * PAGE)) /dev/zero >>"$T/out/a.c.err"
            A_ERR=$(file_hex "$T/out/a.c.err")
            prefix=(prlimit --fsize=$(($(stat -c %s "$T/out/a.c.err") + 1000)))
        fi
        if ! set_inode_flags +a "$out/a.c.err"; then
            unmount_all
            skip "chattr +a is refused here (it needs root and a file system with inode flags)"
            continue
        fi
        (
            trap '' XFSZ
            run_logged "${prefix[@]}"
            exit $rc
        )
        rc=$?
        clear_inode_flags
        if [ "$out" = "$T/small" ]; then
            cp "$out/a.c.err" "$T/a.c.err.after"
            unmount_all
            mv "$T/a.c.err.after" "$out/a.c.err"
        fi
        expect_not_appended "$reason" "$out/a.c.err"
    done

    TEST "a reader's shared lock on a message file: waited for a bounded time, logged, then exit 18"
    setup_replace
    lines b 3 >"$T/cur/src/b.c"
    err_new "$T/out/b.c.err"
    local b_err holder
    b_err=$(file_hex "$T/out/b.c.err")
    (
        exec 9<"$T/out/a.c.err"
        flock -s 9
        : >"$T/held"
        exec sleep 300
    ) &
    holder=$!
    local i
    for ((i = 0; i < 600; i++)); do [ -e "$T/held" ] && break; sleep 0.05; done
    [ -e "$T/held" ] || test_failed "the reader never took its lock"
    VANTREL_LOCK_WAIT_MS=1500 timeout 60 "$VANTREL" ZXC -sop "$T/cur" -sf "$SUP" -sdt "$(gnu_diff)" \
        -po "baseline::log=$T/log.txt" "$T/cur/src/a.c" "$T/cur/src/b.c" >"$T/stdout" 2>"$T/stderr"
    rc=$?
    kill "$holder" 2>/dev/null
    wait "$holder" 2>/dev/null
    expect_not_appended "another process held its lock for more than 1500 ms"
    expect_log_has "$T/log.txt" "Warning : waiting for the lock of $T/out/a.c.err"
    expect_unchanged "$T/out/b.c.err" "$b_err"

    TEST "a replaced message file is synced before its rename"
    if ! can_strace; then
        skip "strace cannot trace here"
    else
        setup_large 400
        traced -o "$T/trace" -e trace=fsync,fdatasync,renameat,renameat2 -- \
            "$VANTREL" ZXC -sop "$T/cur" -sf "$SUP" -sdt "$(gnu_diff)" "$T/cur/src/a.c" >"$T/stdout" 2>"$T/stderr"
        rc=$?
        expect_rc 0
        # The calls, one word each: the new message file's sync, then its
        # rename (patch.xml's follow).
        awk -F'(' '/^(fsync|fdatasync|renameat|renameat2)\(/ { printf "%s ", $1 } /a\.c\.err/ { print "<-a.c.err" }' \
            "$T/trace" >"$T/calls"
        grep -qE '(fsync|fdatasync) renameat2? <-a\.c\.err' "$T/calls" || test_failed "no sync before the rename:
$(cat "$T/calls")"
    fi

    TEST "a close that fails after an in-place write counts as a failed write: cut back, exit 18"
    # Only a file system whose close may report a failed write (a network
    # one, say) is asked; ramfs stands for one here.
    mkdir "$T/ram"
    if ! can_strace; then
        skip "strace cannot trace here"
    elif ! mount_scratch ramfs "$T/ram"; then
        skip "no file system of its own can be mounted here"
    else
        setup_replace
        cp -p "$T/out/a.c.err" "$T/ram/"
        # A run as it goes, to find the close that follows the write.
        traced -o "$T/trace" -e trace=pwrite64,close -- env ZXCOUTPATH="$T/ram" \
            "$VANTREL" ZXC -sop "$T/cur" -sf "$SUP" -sdt "$(gnu_diff)" -po "baseline::log=$T/log.txt" \
            "$T/cur/src/a.c" >"$T/stdout" 2>"$T/stderr"
        local n
        n=$(awk '/^close\(/ { c++ } /^pwrite64\(/ { w = 1 } w && /^close\(/ { print c; exit }' "$T/trace")
        [ -n "$n" ] || test_failed "no close after the write:
$(cat "$T/trace")"
        # The second run meets what the first met, so that its closes come
        # in the same order.
        cp -p "$T/out/a.c.err" "$T/ram/"
        rm -f "$T/ram/patch.xml" "$T/log.txt"
        traced -e trace=close -e inject=close:error=EIO:when="$n" -- env ZXCOUTPATH="$T/ram" \
            "$VANTREL" ZXC -sop "$T/cur" -sf "$SUP" -sdt "$(gnu_diff)" -po "baseline::log=$T/log.txt" \
            "$T/cur/src/a.c" >"$T/stdout" 2>"$T/stderr"
        rc=$?
        expect_not_appended "the section could not be written: Input/output error" "$T/ram/a.c.err"
        unmount_all
    fi

    TEST "a set-user-id message file of one's own keeps its mode when it is replaced"
    setup_large 400
    A_ERR=$(file_hex "$T/out/a.c.err")
    local as=()
    if [ "$(id -u)" = 0 ]; then
        # Root keeps set-id bits whatever it writes: the owner runs it.
        as_nobody
        as=("${AS[@]}")
        chown 65534:65534 "$T/out" "$T/out/a.c.err"
    fi
    chmod 4644 "$T/out/a.c.err"
    local inode
    inode=$(stat -c %i "$T/out/a.c.err")
    run_a_as "${as[@]}"
    expect_rc 0
    [ "$(stat -c %i "$T/out/a.c.err")" != "$inode" ] || test_failed "not replaced"
    [ "$(stat -c %a "$T/out/a.c.err")" = 4644 ] || test_failed "mode $(stat -c %a "$T/out/a.c.err")"
}
