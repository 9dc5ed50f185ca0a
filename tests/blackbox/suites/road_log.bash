# The run log, line by line, and a log that cannot be opened.

SUITE_road_log() {
    TEST "the log, line by line, in a file named after the input"
    lines a 3 >"$T/base/src/a.c"
    { echo a1; echo a3; } >"$T/cur/src/a.c"
    A="$T/cur/src/a.c"
    { reg 1 TAG '$ROOTPATH/src/a.c'; sup 1 0 3 1 5; } | make_sup "$T/baseline.sup"
    err_new "$T/out/a.c.err"
    err_diag "$T/out/a.c.err" "$A" 1 1 1
    run_vantrel -sop "$T/cur/" -sf "$T/baseline.sup" -sdt "diff $T/base/%BB %BF" -po "baseline::log=\"%Bf_log.txt\"" "$A"
    expect_rc 0
    expect_empty "$T/stdout"
    log_of "$T/out/a.c_log.txt" >"$T/log.masked"
    expect_file "$T/log.masked" "$(printf '%s\n' \
        "@ sup file passed in :  $T/baseline.sup" \
        "@ expanded sup file :  $T/baseline.sup" \
        "@ using sup file :  $T/baseline.sup" \
        "@ rootpath file passed in :  $T/cur/" \
        "@ expanded rootpath file :  $T/cur/" \
        "@ corrected rootpath file :  $T/cur" \
        "@ ROOTPATH:  $T/cur" \
        "@ diff command :  diff $T/base/%BB %BF" \
        "@ reading patch file :  $T/out/patch.xml" \
        "@ Warning : file not found $T/out/patch.xml" \
        "@ DBFILE :  $T/baseline.sup" \
        "@ Loading driver" \
        "@ Checking for database existance" \
        "@ db file exists obtaining hash of sup file" \
        "@ Hash :  $(md5sum "$T/baseline.sup" | cut -d' ' -f1) $T/baseline.sup" \
        "@ Opening : $T/out/a.c.err" \
        "@ Parsing diagnostics" \
        "@ Parsing complete" \
        "@ Ident :  \$ROOTPATH/src/a.c TAG" \
        "@ ROOTCHECK $T/cur : $A" \
        "@ INFO : Looking for ident for  \$ROOTPATH/src/a.c" \
        "@ INFO : Ident found  TAG" \
        "@ %BF $A" \
        "@ %Bf a.c" \
        "@ %BD $T/cur/src" \
        "@ %BR %ROOTPATH%/src/a.c" \
        "@ %Br %ROOTPATH%/src" \
        "@ %BB src/a.c" \
        "@ %Bb src" \
        "@ %BT TAG" \
        "@ diff diff $T/base/\"src/a.c\" \"$A\"" \
        "@ stdout :  " \
        "@  2d1" \
        "@  < a2" \
        "@ stderr :  ")
"
    exp_section
    exp_sup "$A" 2 1 5
    expect_appended "$T/out/a.c.err" "$(printf '%s' "0093000000000000"; printf '%s' "0100000000""02$(le32 0)$(le32 0)$(cstr "$A")$(cstr "$A")$(le32 1)$(le32 1)00$(le32 1)$(le32 0)$(le32 0)$(le32 0)")"

    TEST "a log that cannot be opened: a warning on standard output, the run goes on"
    lines a 3 >"$T/cur/src/a.c"
    make_sup "$T/baseline.sup" </dev/null
    err_new "$T/out/a.c.err"
    run_vantrel -sf "$T/baseline.sup" -sdt true -po "baseline::log=$T/no/such/dir/run.txt" "$T/cur/src/a.c"
    expect_rc 0
    expect_file "$T/stdout" "Warning: unable to open log $T/no/such/dir/run.txt
"
    exp_section
    expect_appended "$T/out/a.c.err" "0093000000000000"
}
