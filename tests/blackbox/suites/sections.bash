# How a section reaches its message file: replaced by a new file only where
# the new file is the old one plus the section in every respect, in place
# everywhere else, whole under every signal but SIGKILL, never through a
# link, never after bytes that are gone (many_files.bash: with a few
# descriptors however many files). Tests that need root, ACLs, inode flags
# or strace are skipped where those are missing.

# shellcheck source=replace.bash
. "$HERE/suites/replace.bash" || exit 2

PAGE=$(getconf PAGESIZE)
WORKLOAD=$(dirname "$VANTREL")/vantrel_workload
ERRGEN=$(dirname "$VANTREL")/vantrel_errgen

# fill_page <file> <room>: a section of filler after the file's bytes (its
# payload is skipped by every reader), leaving room bytes in the last page.
fill_page() {
    local size n
    size=$(stat -c %s "$1")
    n=$(((3 * PAGE - (size + 5) % PAGE - $2) % PAGE))
    append_hex "$1" "01$(le32 "$n")"
    head -c "$n" /dev/zero >>"$1"
}

# setup_spanning: setup_replace with a.c.err's last page full but for two
# bytes, so that its section spans pages: the case where it may be replaced.
setup_spanning() {
    setup_replace
    fill_page "$T/out/a.c.err" 2
    A_ERR=$(file_hex "$T/out/a.c.err")
}

# expect_in_place <inode before>: a.c.err gained the section and is the
# same file.
expect_in_place() {
    expect_appended "$T/out/a.c.err" "$A_ERR"
    [ "$(stat -c %i "$T/out/a.c.err")" = "$1" ] || test_failed "a.c.err was replaced by a new file"
}

# as_nobody: the command prefix that runs as user 65534 (root only), after
# opening the test's directories to that user.
as_nobody() {
    chmod 755 "$ROOT" "$SUITE_ROOT" "$T"
    chmod 777 "$T/tmp"
    AS=(setpriv --reuid=65534 --regid=65534 --clear-groups)
}

# dead_pid: the number of a process that has ended.
dead_pid() {
    (exit 0) &
    local p=$!
    wait "$p"
    echo "$p"
}

# setup_in_place <yes|no>: setup_replace, its section going in place: in the
# file's last page, or with yes, over pages of a file with a second name.
setup_in_place() {
    setup_replace
    if [ "$1" = yes ]; then
        fill_page "$T/out/a.c.err" 2
        ln "$T/out/a.c.err" "$T/other.err"
    fi
    A_ERR=$(file_hex "$T/out/a.c.err")
}

# exp_known_sup <location id> <line> <column> <message>: as exp_sup, for a
# record of the file the section named first, without a subshell (a few
# hundred records stay quick).
exp_known_sup() {
    local id line column msg i
    le32v id "$1"
    le32v line "$2"
    le32v column "$3"
    le32v msg "${#4}"
    for ((i = 0; i < ${#4}; i++)); do msg+="3${4:i:1}"; done  # digits only
    EXP+="0402${id}00000000${line}${column}0005000000424c53757001000000${msg}${msg}04${id}00"
}

# le32v <variable> <n>: le32 into the variable.
le32v() {
    local n=$2
    ((n < 0)) && n=$((n + 4294967296))
    printf -v "$1" '%02x%02x%02x%02x' $((n & 255)) $(((n >> 8) & 255)) $(((n >> 16) & 255)) $(((n >> 24) & 255))
}

# not_held <mask>: the numbers of the signals the hex mask of /proc's
# SigBlk leaves out, but SIGKILL and SIGSTOP, which no mask holds.
not_held() {
    local signo out=
    for ((signo = 1; signo <= 64; signo++)); do
        ((signo == 9 || signo == 19 || (16#$1 >> (signo - 1)) & 1)) || out+=" $signo"
    done
    echo "${out# }"
}

can_strace() {
    command -v strace >/dev/null && strace -o /dev/null -e trace=rename true 2>/dev/null
}

# without_leak_check: ASAN_OPTIONS with a sanitizer build's leak check left
# out, for a run under strace: the check cannot run under ptrace.
without_leak_check() {
    echo "${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
}

# traced <strace options>... -- <command>...: the command under strace,
# without the leak check.
traced() {
    local options=()
    while [ "$1" != -- ]; do
        options+=("$1")
        shift
    done
    shift
    ASAN_OPTIONS=$(without_leak_check) strace -o /dev/null "${options[@]}" "$@"
}

SUITE_sections() {
    local inode

    TEST "a plain message file whose section spans pages is replaced by a new one, the same in every respect"
    setup_spanning
    chmod 640 "$T/out/a.c.err"
    inode=$(stat -c %i "$T/out/a.c.err")
    run_a
    expect_rc 0
    expect_appended "$T/out/a.c.err" "$A_ERR"
    [ "$(stat -c %i "$T/out/a.c.err")" != "$inode" ] || test_failed "not replaced"
    [ "$(stat -c %a "$T/out/a.c.err")" = 640 ] || test_failed "mode $(stat -c %a "$T/out/a.c.err")"
    expect_entries "$T/out" a.c.err patch.xml

    TEST "a message file with a second name: both names see the section"
    setup_spanning
    mkdir "$T/store"
    ln "$T/out/a.c.err" "$T/store/other.err"
    inode=$(stat -c %i "$T/out/a.c.err")
    run_a
    expect_rc 0
    expect_in_place "$inode"
    expect_appended "$T/store/other.err" "$A_ERR"

    TEST "an ACL on the message file is kept"
    if ! command -v setfacl >/dev/null; then
        skip "no setfacl"
    else
        setup_spanning
        if ! setfacl -m u:65534:rw,g:65534:r "$T/out/a.c.err" 2>/dev/null; then
            skip "the file system takes no ACL"
        else
            getfacl -cp "$T/out/a.c.err" >"$T/acl.before" 2>/dev/null
            run_a
            expect_rc 0
            expect_appended "$T/out/a.c.err" "$A_ERR"
            getfacl -cp "$T/out/a.c.err" >"$T/acl.after" 2>/dev/null
            cmp -s "$T/acl.before" "$T/acl.after" || test_failed "the ACL changed:
$(diff "$T/acl.before" "$T/acl.after")"
        fi
    fi

    TEST "an append-only message file (chattr +a) gains its section in place"
    setup_spanning
    if ! set_inode_flags +a "$T/out/a.c.err"; then
        skip "chattr +a is refused here (it needs root and a file system with inode flags)"
    else
        inode=$(stat -c %i "$T/out/a.c.err")
        run_a
        clear_inode_flags
        expect_rc 0
        expect_in_place "$inode"
    fi

    TEST "another user's message file in a sticky directory: in place, owner kept"
    if [ "$(id -u)" != 0 ]; then
        skip "needs root to make another user's file"
    else
        setup_spanning
        chown 1234:1234 "$T/out/a.c.err"
        chmod 666 "$T/out/a.c.err"
        chmod 1777 "$T/out"
        as_nobody
        inode=$(stat -c %i "$T/out/a.c.err")
        run_a_as "${AS[@]}"
        chmod 755 "$T/out"
        expect_rc 0
        expect_in_place "$inode"
        [ "$(stat -c %u:%g "$T/out/a.c.err")" = 1234:1234 ] || test_failed "owner $(stat -c %u:%g "$T/out/a.c.err")"
    fi

    TEST "a message file name of 255 bytes with a section of several pages"
    local long i
    long="$(printf 'n%.0s' $(seq 247)).c"
    lines l 400 >"$T/cur/src/$long"
    lines l 400 >"$T/base/src/$long"
    SUP="$T/baseline.sup"
    {
        reg 1 T "\$ROOTPATH/src/$long"
        for i in $(seq 300); do sup 1 0 "$i" 1 "$i"; done
    } | make_sup "$SUP"
    err_new "$T/out/$long.err"
    err_diag "$T/out/$long.err" "$T/cur/src/$long" 1 1 1
    before=$(file_hex "$T/out/$long.err")
    exp_section
    exp_sup "$T/cur/src/$long" 1 1 1
    for ((i = 2; i <= 300; i++)); do exp_known_sup "$((i - 1))" "$i" 1 "$i"; done
    ((${#EXP} / 2 > 2 * PAGE)) || test_failed "the section is not of several pages"
    run_vantrel -sop "$T/cur" -sf "$SUP" -sdt "$(gnu_diff)" "$T/cur/src/$long"
    expect_rc 0
    expect_appended "$T/out/$long.err" "$before"
    expect_entries "$T/out" "$long.err" patch.xml

    local refusal call error when
    # The first calls are the message file's (a link is tried two ways);
    # patch.xml's come after.
    for refusal in renameat2:EPERM:1 renameat2:EBUSY:1 renameat2:EINVAL:1 linkat:EMLINK:1..2 writev:ENOSPC:1 writev:EDQUOT:1; do
        TEST "a new file that cannot be made whole or renamed ($refusal): the section goes in place"
        if ! can_strace; then
            skip "strace cannot trace here"
        else
            setup_spanning
            inode=$(stat -c %i "$T/out/a.c.err")
            IFS=: read -r call error when <<<"$refusal"
            traced -e trace="$call" -e inject="$call:error=$error:when=$when" -- \
                "$VANTREL" ZXC -sop "$T/cur" -sf "$SUP" -sdt "$(gnu_diff)" "$T/cur/src/a.c" >"$T/stdout" 2>"$T/stderr"
            rc=$?
            expect_rc 0
            expect_in_place "$inode"
            expect_entries "$T/out" a.c.err patch.xml
        fi
    done

    TEST "leftovers of killed runs are removed, nothing else: a user's *.err.<digits>.<digits>.tmp stays"
    setup_spanning
    local dead ours
    dead=$(dead_pid)
    ours=$(printf '.vantrel-%010d-00.tmp' "$dead")
    write_hex "$T/out/$ours" "00"
    write_hex "$T/out/build.err.20240611.2.tmp" "$(hexs "the user's")"
    write_hex "$T/out/a.c.err.$dead.0.tmp" "$(hexs "not ours either")"
    run_a
    expect_rc 0
    expect_appended "$T/out/a.c.err" "$A_ERR"
    expect_file "$T/out/build.err.20240611.2.tmp" "the user's"
    expect_file "$T/out/a.c.err.$dead.0.tmp" "not ours either"
    expect_missing "$T/out/$ours"

    # The diff command runs between the reading and the append: each row's
    # change ($F is the message file) is what another program does then.
    # A section lands only after the bytes it was made for, and only whole
    # sections of other runs may stand between.
    local row what change code reason
    local rows=(
        "cut to 50 bytes, header intact|truncate -s 50 \"\$F\"|18|it is shorter than when it was read"
        "another run's section added|printf '\\001\\000\\000\\000\\000' >>\"\$F\"|0|"
        "one stray byte|printf '\\001' >>\"\$F\"|18|bytes that are no whole sections follow those it was read with"
        "three bytes of a record (an analyser still writing)|printf '\\004\\002\\000' >>\"\$F\"|18|bytes that are no whole sections follow those it was read with"
        "rewritten, larger, by a fresh analysis|cp \"\$T/fresh.err\" \"\$F\"|18|its bytes are no longer those it was read with"
        "flipped to a link to another message file|ln -sf \"\$T/other.err\" \"\$F\"|18|its bytes are no longer those it was read with"
    )
    for row in "${rows[@]}"; do
        IFS='|' read -r what change code reason <<<"$row"
        TEST "a message file changed between its reading and its append: $what"
        setup_replace
        # Many diagnostics, so that 50 bytes cut a record.
        for i in $(seq 10); do err_diag "$T/out/a.c.err" "$T/cur/src/a.c" "$i" 1 1; done
        A_ERR=$(file_hex "$T/out/a.c.err")
        # A fresh analysis: other diagnostics, more of them; and root's own
        # message file, which a link may be flipped to.
        local diagnostics=()
        for i in $(seq 100); do diagnostics+=("$T/cur/src/a.c" "$i" 5 9); done
        "$ERRGEN" write "$T/fresh.err" "${diagnostics[@]}" || test_failed "vantrel_errgen failed"
        "$ERRGEN" write "$T/other.err" "${diagnostics[@]}" "$T/cur/src/a.c" 1 1 1 || test_failed "vantrel_errgen failed"
        chmod 600 "$T/other.err"
        local other
        other=$(file_hex "$T/other.err")
        tool change-then-diff "T='$T'; F=\$T/out/a.c.err; $change; exec diff \"\$@\""
        run_vantrel -sop "$T/cur" -sf "$SUP" -sdt "$T/tools/change-then-diff $T/base/%BB %BF" \
            -po "baseline::log=$T/log.txt" "$T/cur/src/a.c"
        expect_rc "$code"
        expect_unchanged "$T/other.err" "$other"
        if [ "$code" = 18 ]; then
            expect_file "$T/stderr" "Problems writing binary file.
"
            expect_log_has "$T/log.txt" "Error : section not appended to $T/out/a.c.err"
            expect_log_has "$T/log.txt" "Reason : $reason"
            case $what in
            cut*) [ "$(stat -c %s "$T/out/a.c.err")" = 50 ] || test_failed "$(stat -c %s "$T/out/a.c.err") bytes" ;;
            rewritten*) expect_unchanged "$T/out/a.c.err" "$(file_hex "$T/fresh.err")" ;;
            flipped*) [ -L "$T/out/a.c.err" ] || test_failed "the link was replaced" ;;
            *) [ "$(stat -c %s "$T/out/a.c.err")" -le $((${#A_ERR} / 2 + 3)) ] || test_failed "it gained a section" ;;
            esac
        else
            expect_appended "$T/out/a.c.err" "${A_ERR}0100000000"
        fi
    done

    # Each row: the signal, the error the write fails with (none: it is
    # made), whether the file has a second name (so that a section of
    # several pages goes in place too), the exit code; the signal comes at
    # the first write of the section, which cuts back what a failed write
    # left before the signal is let through.
    local signal error linked fault
    rows=(
        "TERM|ENOSPC|no|19" "USR1|EIO|no|138" "ALRM|ENOSPC|no|142"
        "TERM|ENOSPC|yes|19" "USR1|EIO|yes|138" "USR1|none|yes|138"
    )
    for row in "${rows[@]}"; do
        IFS='|' read -r signal error linked code <<<"$row"
        TEST "signal $signal at the in-place write (failing: $error, second name $linked): the file whole"
        if ! can_strace; then
            skip "strace cannot trace here"
        else
            setup_in_place "$linked"
            fault=
            [ "$error" = none ] || fault=":error=$error"
            # (The shell's note of a child killed by a signal is not wanted.)
            {
                (
                    traced -e trace=pwrite64 -e inject=pwrite64"$fault":signal="$signal":when=1 -- \
                        "$VANTREL" ZXC -sop "$T/cur" -sf "$SUP" -sdt "$(gnu_diff)" "$T/cur/src/a.c"
                ) >"$T/stdout" 2>"$T/stderr"
            } 2>/dev/null
            rc=$?
            expect_rc "$code"
            if [ "$error" = none ]; then
                expect_appended "$T/out/a.c.err" "$A_ERR"
            else
                expect_unchanged "$T/out/a.c.err" "$A_ERR"
            fi
        fi
    done

    # A traced process is never ended part way through a write: the tracer
    # sees each signal first. So what keeps a signal from cutting the write
    # is seen in the run's mask while it writes: the run is stopped just
    # after its write and before it lets the signals through, and its mask
    # read. Only SIGKILL and SIGSTOP, which no mask holds, may be missing.
    local tracer run_pid mask missing
    for linked in no yes; do
        TEST "the in-place write holds every signal, 32 and 33 too (second name $linked)"
        if ! can_strace; then
            skip "strace cannot trace here"
        else
            setup_in_place "$linked"
            # strace itself in the background (not traced, a function, which
            # would run in a subshell of its own), so that $! is its number.
            ASAN_OPTIONS=$(without_leak_check) strace -o "$T/trace" \
                -e trace=pwrite64 -e inject=pwrite64:signal=STOP:when=1 \
                "$VANTREL" ZXC -sop "$T/cur" -sf "$SUP" -sdt "$(gnu_diff)" "$T/cur/src/a.c" >"$T/stdout" 2>"$T/stderr" &
            tracer=$!
            if ! wait_until 60 grep -sqxF -- "--- stopped by SIGSTOP ---" "$T/trace"; then
                kill "$tracer"
                test_failed "the run did not stop at its write"
            fi
            read -r run_pid <"/proc/$tracer/task/$tracer/children"
            mask=$(awk '$1 == "SigBlk:" { print $2 }' "/proc/$run_pid/status")
            kill -CONT "$run_pid"
            wait "$tracer"
            rc=$?
            expect_rc 0
            expect_appended "$T/out/a.c.err" "$A_ERR"
            [ -n "$mask" ] || test_failed "the run's mask could not be read"
            missing=$(not_held "$mask")
            [ -z "$missing" ] || test_failed "signals not held at the write: $missing (mask $mask)"
        fi
    done

    TEST "a link flipped between the message file and an outside file: the outside file never changes"
    setup_spanning
    mkdir "$T/store"
    mv "$T/out/a.c.err" "$T/store/a.c.err"
    write_hex "$T/secret" "$(hexs "root's own")"
    chmod 600 "$T/secret"
    ln -s ../store/a.c.err "$T/out/a.c.err"
    "$WORKLOAD" flip-link "$T/out/a.c.err" ../store/a.c.err ../secret "$T/stop" &
    local flipper=$! run
    for ((run = 1; run <= 40; run++)); do
        run_vantrel -po baseline::nocache -sop "$T/cur" -sf "$SUP" -sdt "$(gnu_diff)" "$T/cur/src/a.c"
        [ "$(file_hex "$T/secret")" = "$(hexs "root's own")" ] || break
    done
    : >"$T/stop"
    wait "$flipper" || test_failed "the links could not be flipped"
    expect_file "$T/secret" "root's own"
    [ "$(stat -c %a "$T/secret")" = 600 ] || test_failed "the outside file's mode changed"
    # The message file holds its bytes and whole sections.
    local got
    got=$(file_hex "$T/store/a.c.err")
    got=${got#"$A_ERR"}
    while [ -n "$got" ] && [ "${got#"$EXP"}" != "$got" ]; do got=${got#"$EXP"}; done
    [ -z "$got" ] || test_failed "the message file is not its bytes and whole sections"
}
