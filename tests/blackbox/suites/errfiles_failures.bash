# Message files that cannot be appended to or read, whoever runs the suite.

. "$HERE/suites/errfiles.bash" || exit 2

SUITE_errfiles_failures() {
    TEST "an append that fails (file size limit): exit 18, message file as it was, patch.xml not written"
    setup_errfiles
    # Enough suppressions of a file with a long name to carry the section
    # past the limit of 2 KiB that the run gets.
    long="$T/cur/src/$(printf 'n%.0s' $(seq 150)).c"
    lines l 3 >"$long"
    lines l 3 >"$T/base/src/$(basename "$long")"
    {
        reg 2 T "\$ROOTPATH/src/$(basename "$long")"
        for i in $(seq 40); do sup 2 0 1 1 "$i"; done
    } | sqlite3 "$SUP"
    err_new "$T/out/a.c.err"
    err_diag "$T/out/a.c.err" "$long" 1 1 1
    before=$(file_hex "$T/out/a.c.err")
    (
        ulimit -f 2
        trap '' XFSZ
        exec "$VANTREL" ZXC -sop "$T/cur" -sf "$SUP" -sdt "$(gnu_diff)" "$T/cur/src/a.c" "$T/cur/src/b.c"
    ) >"$T/stdout" 2>"$T/stderr"
    rc=$?
    expect_rc 18
    expect_file "$T/stderr" "Problems writing binary file.
"
    expect_unchanged "$T/out/a.c.err" "$before"
    expect_unchanged "$T/out/b.c.err" "$B_ERR"
    expect_missing "$T/out/patch.xml"

    TEST "an unreadable message file"
    if [ "$(id -u)" = 0 ]; then
        skip "root reads any file"
    else
        setup_errfiles
        err_new "$T/out/a.c.err"
        chmod 000 "$T/out/a.c.err"
        run_both
        chmod 600 "$T/out/a.c.err"
        expect_unchanged "$T/out/a.c.err" "0093000000000000"
        expect_log_has "$T/stdout" "Unknown failure reading error file"
    fi
}
