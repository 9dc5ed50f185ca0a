# Message files that cannot take a section are left byte for byte as they
# were, with the reason in the log; the other source files go on.

# One registered file a.c with one suppression, a baseline, and b.c whose
# good message file shows that the run went on.
setup_errfiles() {
    lines a 3 >"$T/cur/src/a.c"
    lines a 3 >"$T/base/src/a.c"
    lines b 3 >"$T/cur/src/b.c"
    lines b 3 >"$T/base/src/b.c"
    SUP="$T/baseline.sup"
    { reg 1 T '$ROOTPATH/src/b.c'; sup 1 0 2 1 77; } | make_sup "$SUP"
    err_new "$T/out/b.c.err"
    err_diag "$T/out/b.c.err" "$T/cur/src/b.c" 1 1 1
    B_ERR=$(file_hex "$T/out/b.c.err")
}

# run_both: runs a.c then b.c with the log on standard output; b.c must gain
# its section whatever became of a.c.
run_both() {
    run_vantrel -sop "$T/cur" -sf "$SUP" -sdt "$(gnu_diff)" -po baseline::log=- "$T/cur/src/a.c" "$T/cur/src/b.c"
    expect_rc 0
    exp_section
    exp_sup "$T/cur/src/b.c" 2 1 77
    expect_appended "$T/out/b.c.err" "$B_ERR"
}

SUITE_errfiles() {
    TEST "a missing message file"
    setup_errfiles
    run_both
    expect_missing "$T/out/a.c.err"
    expect_log_has "$T/stdout" "Opening : $T/out/a.c.err"
    expect_log_has "$T/stdout" "Unknown failure reading error file"
    expect_log_has "$T/stdout" "$T/out/a.c.err"

    TEST "a directory in place of the message file"
    setup_errfiles
    mkdir "$T/out/a.c.err"
    run_both
    [ -d "$T/out/a.c.err" ] || test_failed "the directory is gone"
    expect_log_has "$T/stdout" "Unknown failure reading error file"

    # Each row: a name and the bytes of a.c.err that must stay as they are.
    local rows=(
        "unknown format id|34120000000000000100000000"
        "cut inside a record|00930000000000000100000000020000000000"
        "unknown record type|00930000000000000100000000ee"
        "six bytes|009300000000"
    )
    local row name bytes
    for row in "${rows[@]}"; do
        name=${row%%|*} bytes=${row#*|}
        TEST "a message file that does not read: $name"
        setup_errfiles
        write_hex "$T/out/a.c.err" "$bytes"
        run_both
        expect_unchanged "$T/out/a.c.err" "$bytes"
        log_of "$T/stdout" >"$T/log.masked"
        grep -qE "@ (Unknown failure reading error file|Failure reading error file)$" "$T/log.masked" ||
            test_failed "no reading failure in the log"
    done

    TEST "unknown format id: the reader's message on standard error"
    setup_errfiles
    write_hex "$T/out/a.c.err" "3412000000000000"
    run_both
    expect_contains "$T/stderr" "Unknown error file format: id=1234"

    TEST "a cut record: the three failure lines"
    setup_errfiles
    write_hex "$T/out/a.c.err" "00930000000000000100000000020000000000"
    run_both
    expect_log_has "$T/stdout" "Failure reading error file"
    expect_contains "$T/stderr" "caught a R_ReadingException in getNextMessage()."

    local rows2=(
        "empty|"
        "short|0093"
        "generation 2|0079000000000000""$(le32 0)$(le32 10)$(le32 -1)$(le32 4)$(le32 100)$(cstr x)"
    )
    for row in "${rows2[@]}"; do
        name=${row%%|*} bytes=${row#*|}
        TEST "not of the current format, left as it is: $name"
        setup_errfiles
        write_hex "$T/out/a.c.err" "$bytes"
        run_both
        expect_unchanged "$T/out/a.c.err" "$bytes"
        expect_log_has "$T/stdout" "Error: err file to be patched is not of the current format $T/out/a.c.err"
    done

    TEST "older generation-3 ids and a bare header take a section"
    setup_errfiles
    for id in 00810000 00820000 00910000 00920000; do
        write_hex "$T/out/a.c.err" "${id}00000000"
        run_vantrel -sop "$T/cur" -sf "$SUP" -sdt "$(gnu_diff)" "$T/cur/src/a.c"
        expect_rc 0
        exp_section
        expect_appended "$T/out/a.c.err" "${id}00000000"
    done

    TEST "a message file whose diagnostics name no file still gains an empty section"
    setup_errfiles
    write_hex "$T/out/a.c.err" "00930000000000000100000000"
    run_vantrel -sf "$SUP" -sdt "$(gnu_diff)" "$T/cur/src/a.c"
    expect_rc 0
    exp_section
    expect_appended "$T/out/a.c.err" "00930000000000000100000000"
}
