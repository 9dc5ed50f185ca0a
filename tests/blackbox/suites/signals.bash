# A signal to vantrel while a diff hangs (SIGTERM, SIGINT, SIGHUP, SIGQUIT)
# ends both and leaves the message file as it was; one that was ignored
# from the start stays ignored. The helpers serve the suites of diffs that
# hang too.

setup_slow() {
    lines a 5 >"$T/base/src/a.c"
    { echo a1; lines a 5 | tail -n 3; } >"$T/cur/src/a.c"
    A="$T/cur/src/a.c"
    SUP="$T/baseline.sup"
    { reg 1 T '$ROOTPATH/src/a.c'; sup 1 0 4 1 14; } | make_sup "$SUP"
    err_new "$T/out/a.c.err"
    err_diag "$T/out/a.c.err" "$A" 1 1 1
    A_ERR=$(file_hex "$T/out/a.c.err")
}

# alive <pid file>: true while the process named in it runs.
alive() {
    local state
    state=$(awk '{print $3}' "/proc/$(cat "$1")/stat" 2>/dev/null)
    [ -n "$state" ] && [ "$state" != Z ]
}

ended() {
    ! alive "$1"
}

# signal_in <pid> <field> <signal>: whether the signal mask <field> of the
# process's /proc status (SigIgn, ShdPnd, ...) holds the signal.
signal_in() {
    local mask
    mask=$(awk -v field="$2:" '$1 == field { print $2 }' "/proc/$1/status" 2>/dev/null)
    [ -n "$mask" ] && (((16#$mask >> ($(kill -l "$3") - 1)) & 1))
}

# not_pending <pid> <signal>: the signal sent to the process was delivered,
# or dropped.
not_pending() {
    ! signal_in "$1" ShdPnd "$2" && ! signal_in "$1" SigPnd "$2"
}

# start_while_diff_hangs [signal to start with ignored]: starts vantrel in
# the background ($pid) with a diff that hangs, and waits until the diff runs.
# (A subshell that execs: bash leaves SIGINT and SIGQUIT as they are there.)
start_while_diff_hangs() {
    setup_slow
    tool hangs "sleep 300 & echo \$! >$T/sleep.pid; wait"
    (
        [ $# -gt 0 ] && trap '' "$1"
        exec "$VANTREL" ZXC -sop "$T/cur" -sf "$SUP" -sdt "$T/tools/hangs" "$A"
    ) >"$T/stdout" 2>"$T/stderr" &
    pid=$!
    echo $pid >"$T/vantrel.pid"
    wait_until 10 test -s "$T/sleep.pid" || test_failed "the diff did not start"
}

# deaf_tool <name> <body>: a diff tool that ignores every signal a killer
# might send but SIGKILL, as does everything it starts: it ends only by
# SIGKILL. It leaves its own number in $T/<name>.pid.
deaf_tool() {
    tool "$1" "trap '' TERM INT HUP QUIT USR1 USR2 ALRM PIPE; echo \$\$ >$T/$1.pid; $2"
}

# run_hanging <tool>: one run of a.c whose diff command is the tool, the log
# on standard output; the diff's wait runs out, it is killed with what it
# started (each gone by the time the run ends, or soon after for what it
# started, which the killed diff cannot reap), and it counts as failed: the
# suppression keeps its baselined line and a.c has no entry in patch.xml.
# A run that has not ended long after both waits (it waits for a diff that
# was never killed) is ended, and fails the test.
run_hanging() {
    setup_slow
    timeout -s KILL 240 "$VANTREL" ZXC -sop "$T/cur" -sf "$SUP" -sdt "$T/tools/$1" -po baseline::log=- "$A" \
        >"$T/stdout" 2>"$T/stderr"
    rc=$?
    [ "$rc" != 137 ] || test_failed "the run did not end: it waits for a diff that it did not kill"
    expect_rc 0
    ended "$T/$1.pid" || test_failed "the diff outlived the run"
    wait_until 10 ended "$T/sleep.pid" || test_failed "the diff's own child outlived it"
    expect_log_has "$T/stdout" "ERROR : tandor timed out"
    exp_section
    exp_sup "$A" 4 1 14   # no mapping: the baselined line
    expect_appended "$T/out/a.c.err" "$A_ERR"
    expect_not_contains "$T/out/patch.xml" "$A"
}

SUITE_signals() {
    for sig in TERM INT HUP QUIT; do
        TEST "SIG$sig while the diff hangs: message file unchanged, no child left, exit 19"
        start_while_diff_hangs
        kill -$sig $pid
        wait $pid
        rc=$?
        expect_rc 19
        expect_file "$T/stderr" "Caught signal: (SIG$sig)
Please contact Marrowby.
"
        wait_until 10 ended "$T/sleep.pid" || test_failed "the diff's child outlived vantrel"
        expect_unchanged "$T/out/a.c.err" "$A_ERR"
        expect_missing "$T/out/patch.xml"
    done

    # nohup ignores hangups; a shell starts a background job with SIGINT
    # and SIGQUIT ignored.
    for sig in HUP INT QUIT; do
        TEST "started with SIG$sig ignored: SIG$sig leaves the run going, SIGTERM ends it"
        start_while_diff_hangs $sig
        kill -$sig $pid
        # An ignored signal is dropped as it is sent; one with a handler or
        # its default action is pending until it is delivered. Once it is
        # not pending and vantrel ignores it, nothing can come of it.
        wait_until 10 not_pending $pid $sig || test_failed "SIG$sig stays pending"
        alive "$T/vantrel.pid" || test_failed "vantrel ended on a SIG$sig it was told to ignore"
        signal_in $pid SigIgn $sig || test_failed "vantrel does not ignore SIG$sig"
        alive "$T/sleep.pid" || test_failed "the diff's child ended on SIG$sig"
        kill -TERM $pid
        wait $pid
        rc=$?
        expect_rc 19
        expect_file "$T/stderr" "Caught signal: (SIGTERM)
Please contact Marrowby.
"
        wait_until 10 ended "$T/sleep.pid" || test_failed "the diff's child outlived vantrel"
        expect_unchanged "$T/out/a.c.err" "$A_ERR"
    done
}
