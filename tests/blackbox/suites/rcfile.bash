# The rc file: where it is looked for, and that only the running user's or
# root's own is read. Another user's rc file could give a run of root's any
# option: a log that truncates a file of root's, a diff command to run.

# A run with one baselined suppression: a.c lost its line 2, so the
# suppression at line 3 moves to line 2. Its message file is in $T/out.
setup_rc() {
    lines a 3 >"$T/base/src/a.c"
    { echo a1; echo a3; } >"$T/cur/src/a.c"
    A="$T/cur/src/a.c"
    { reg 1 TAG '$ROOTPATH/src/a.c'; sup 1 0 3 1 5; } | make_sup "$T/baseline.sup"
    err_new "$T/out/a.c.err"
    err_diag "$T/out/a.c.err" "$A" 1 1 1
    ERR_BEFORE=$(file_hex "$T/out/a.c.err")
}

# The run as root gives it: its own baseline, root path and diff command.
run_with_own_options() {
    run_vantrel -sf "$T/baseline.sup" -sop "$T/cur/" -sdt "$(gnu_diff)" "$A"
}

# expect_moved <line>: a.c.err gained the section with the suppression at
# that line.
expect_moved() {
    exp_section
    exp_sup "$A" "$1" 1 5
    expect_appended "$T/out/a.c.err" "$ERR_BEFORE"
}

# expect_skipped_rc <path>...: standard error names each rc file passed
# over, in that order, and says nothing else.
expect_skipped_rc() {
    local expected="" path
    for path in "$@"; do
        expected+=$'\n'"WARNING: Ignoring rc file $path: not owned by the running user or root"$'\n\n'
    done
    expect_file "$T/stderr" "$expected"
}

# expect_rc_log <log> <line>: the log that an rc file names was written and
# holds the line: that rc file was read.
expect_rc_log() {
    [ -f "$1" ] || test_failed "no log $1: the rc file that names it was not read"
    expect_log_has "$1" "$2"
}

is_root() {
    [ "$(id -u)" = 0 ]
}

SUITE_rcfile() {
    TEST "the running user's own rc file in the current directory is read"
    setup_rc
    printf '%s\n' "-po baseline::log=$T/own.log" >.zxcrc
    run_with_own_options
    expect_rc 0
    expect_empty "$T/stderr"
    expect_rc_log "$T/own.log" "diff command :  $(gnu_diff)"
    expect_moved 2

    TEST "another user's rc file in the output directory run from: not read and named; HOME's is read"
    if ! is_root; then
        skip "needs root to make a file of another user"
    else
        setup_rc
        unset ZXCOUTPATH
        cd "$T/out" || test_failed "cannot enter $T/out"
        printf 'root only\n' >"$T/root-only"
        chmod 600 "$T/root-only"
        printf '%s\n' "-po baseline::log=$T/root-only" >.zxcrc
        chown -R 4242:4242 "$T/out"
        printf '%s\n' "-po baseline::log=$T/home.log" >"$T/home/.zxcrc"
        run_with_own_options
        expect_rc 0
        expect_file "$T/root-only" "root only
"
        expect_skipped_rc "$(pwd -P)/.zxcrc"
        expect_rc_log "$T/home.log" "diff command :  $(gnu_diff)"
        expect_moved 2
    fi

    TEST "another user's rc file in RCPATH: its diff command never runs; the next RCPATH directory's is read"
    if ! is_root; then
        skip "needs root to make a file of another user"
    else
        setup_rc
        mkdir "$T/rc1" "$T/rc2"
        printf '%s\n' "-sdt \"touch $T/ran\"" >"$T/rc1/.zxcrc"
        chown -R 4242:4242 "$T/rc1"
        printf '%s\n' "-po baseline::log=$T/rc2.log" >"$T/rc2/.zxcrc"
        export ZXCRCPATH="$T/rc1;$T/rc2"
        run_vantrel -sf "$T/baseline.sup" -sop "$T/cur/" "$A"
        expect_rc 0
        expect_missing "$T/ran"
        expect_skipped_rc "$T/rc1/.zxcrc"
        expect_rc_log "$T/rc2.log" "diff command :  tandor %BF %BR \"$T/\""
        # The default diff command is not there: the suppression keeps its line.
        expect_moved 3
    fi

    TEST "another user's rc file in HOME: not read and named, and there is none"
    if ! is_root; then
        skip "needs root to make a file of another user"
    else
        setup_rc
        printf '%s\n' "-sdt \"touch $T/ran\" -po baseline::log=$T/home.log" >"$T/home/.zxcrc"
        chown 4242:4242 "$T/home/.zxcrc"
        run_vantrel -sf "$T/baseline.sup" -sop "$T/cur/" "$A"
        expect_rc 0
        expect_missing "$T/ran"
        expect_missing "$T/home.log"
        expect_skipped_rc "$T/home/.zxcrc"
        expect_moved 3
    fi

    TEST "a socket named like the rc file in RCPATH is passed over for the next directory's rc file"
    if ! command -v python3 >/dev/null; then
        skip "no python3 to make a socket"
    else
        setup_rc
        mkdir "$T/d1" "$T/d2"
        python3 -c 'import socket, sys; socket.socket(socket.AF_UNIX).bind(sys.argv[1])' "$T/d1/.zxcrc" ||
            test_failed "cannot make a socket"
        printf '%s\n' "-po baseline::log=$T/d2.log" >"$T/d2/.zxcrc"
        export ZXCRCPATH="$T/d1;$T/d2"
        run_with_own_options
        expect_rc 0
        expect_empty "$T/stderr"
        expect_rc_log "$T/d2.log" "diff command :  $(gnu_diff)"
        expect_moved 2
    fi
}
