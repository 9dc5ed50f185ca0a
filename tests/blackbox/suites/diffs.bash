# The diff command: its placeholders, its arguments, and every way it can
# fail. A failed diff leaves the file without a mapping (suppressions keep
# their baselined lines) and removes its entry from patch.xml.

# a.c: 5 lines, line 2 deleted in the current version (2d1). Its baselined
# suppressions on lines 1, 2 and 4.
setup_diffs() {
    lines a 5 >"$T/base/src/a.c"
    { echo a1; lines a 5 | tail -n 3; } >"$T/cur/src/a.c"
    A="$T/cur/src/a.c"
    SUP="$T/baseline.sup"
    { reg 1 TAG_A '$ROOTPATH/src/a.c'; sup 1 0 1 1 11; sup 1 0 2 1 12; sup 1 0 4 1 14; } | make_sup "$SUP"
    err_new "$T/out/a.c.err"
    err_diag "$T/out/a.c.err" "$A" 1 1 1
    A_ERR=$(file_hex "$T/out/a.c.err")
}

# The section when the diff worked, and when the file has no mapping.
exp_mapped() {
    exp_section
    exp_sup "$A" 1 1 11
    exp_sup "$A" 3 1 14
}
exp_unmapped() {
    exp_section
    exp_sup "$A" 1 1 11
    exp_sup "$A" 2 1 12
    exp_sup "$A" 4 1 14
}

# run_diff <command>: one run of a.c with the log on standard output, after a
# good run that put a.c into patch.xml and an edit that makes it stale.
run_after_good_run() {
    run_vantrel -sop "$T/cur" -sf "$SUP" -sdt "$(gnu_diff)" "$A"
    expect_contains "$T/out/patch.xml" "<PATCH>2d1</PATCH>"
    echo >>"$T/base/src/a.c"
    echo >>"$A"
    A_ERR=$(file_hex "$T/out/a.c.err")
    run_vantrel -sop "$T/cur" -sf "$SUP" -sdt "$1" -po baseline::log=- "$A"
    expect_rc 0
}

# The largest output kept, in 2 GB of address space: mapped, cached and
# replayed from a patch.xml of 100 MB.
most_change_commands() {
    setup_diffs
    # 16 MiB of change commands with their line ends: 2d1 maps, the rest
    # repeat one mapping.
    tool most "echo \$1 >>$T/diffs; echo 2d1; yes 1a1 | head -c $((16 * 1024 * 1024 - 4))"
    run_vantrel_small -sop "$T/cur" -sf "$SUP" -sdt "$T/tools/most %BF" "$A"
    expect_rc 0
    expect_empty "$T/stderr"
    exp_mapped
    expect_appended "$T/out/a.c.err" "$A_ERR"
    expect_contains "$T/out/patch.xml" "      <PATCH>2d1</PATCH>
      <PATCH>1a1</PATCH>"
    A_ERR=$(file_hex "$T/out/a.c.err")
    run_vantrel_small -sop "$T/cur" -sf "$SUP" -sdt "$T/tools/most %BF" "$A"
    expect_rc 0
    expect_file "$T/diffs" "$A
"
    exp_mapped
    expect_appended "$T/out/a.c.err" "$A_ERR"
}

# unkept_output <what> <reason> <body>: a diff tool of that body, run after a
# good run, fails with "ERROR : tandor output <reason>": the baselined lines
# kept, the entry removed, the run within 2 GB.
unkept_output() {
    TEST "a diff that $1: a failed diff, logged; the run fits in 2 GB"
    setup_diffs
    run_vantrel -sop "$T/cur" -sf "$SUP" -sdt "$(gnu_diff)" "$A"
    echo >>"$T/base/src/a.c"
    echo >>"$A"
    A_ERR=$(file_hex "$T/out/a.c.err")
    tool unkept "$3"
    run_vantrel_small -sop "$T/cur" -sf "$SUP" -sdt "$T/tools/unkept" -po baseline::log=- "$A"
    expect_rc 0
    expect_empty "$T/stderr"
    expect_log_has "$T/stdout" "ERROR : tandor output $2"
    exp_unmapped
    expect_appended "$T/out/a.c.err" "$A_ERR"
    expect_not_contains "$T/out/patch.xml" "$A"
}

SUITE_diffs() {
    TEST "GNU diff through %BB and %BF"
    setup_diffs
    run_vantrel -sop "$T/cur" -sf "$SUP" -sdt "$(gnu_diff)" "$A"
    expect_rc 0
    exp_mapped
    expect_appended "$T/out/a.c.err" "$A_ERR"

    TEST "every placeholder reaches the command as one argument"
    setup_diffs
    tool rec "for a in \"\$@\"; do printf '[%s]\\n' \"\$a\"; done >$T/args"
    run_vantrel -sop "$T/cur" -sf "$SUP" -sdt "$T/tools/rec %BF %Bf %BD %BR %Br %BB %Bb %BT x%BFy \"%BT %Bf\"" "$A"
    expect_rc 0
    expect_file "$T/args" "[$A]
[a.c]
[$T/cur/src]
[%ROOTPATH%/src/a.c]
[%ROOTPATH%/src]
[src/a.c]
[src]
[TAG_A]
[x${A}y]
[TAG_A a.c]
"
    # No output and exit code 0: no mapping, but the entry stays, so the next
    # run replays "no change" without a diff.
    exp_unmapped
    expect_appended "$T/out/a.c.err" "$A_ERR"
    expect_contains "$T/out/patch.xml" "<FILE name=\"$A\">"

    TEST "without a root path %BR and %BB are the full name; an unknown ident is an empty argument"
    setup_diffs
    sqlite3 "$SUP" "UPDATE RF_FileReg SET FR_Name = 'nothing'"
    tool rec "for a in \"\$@\"; do printf '[%s]\\n' \"\$a\"; done >$T/args"
    run_vantrel -sf "$SUP" -sdt "$T/tools/rec %BR %Br %BB %Bb %BT end" "$A"
    expect_rc 0
    expect_file "$T/args" "[$A]
[$T/cur/src]
[$A]
[$T/cur/src]
[]
[end]
"

    TEST "a diff that fails: exit code and both outputs logged, baselined lines kept, entry removed"
    setup_diffs
    tool fails "printf 'no such baseline' >&2; exit 2"
    run_after_good_run "$T/tools/fails %BF"
    expect_log_has "$T/stdout" "exitcode :  2"
    expect_log_has "$T/stdout" "stderr :  no such baseline"
    expect_log_has "$T/stdout" "ERROR : tandor failed, baselined lines kept for $A"
    exp_unmapped
    expect_appended "$T/out/a.c.err" "$A_ERR"
    expect_not_contains "$T/out/patch.xml" "$A"

    # Output that cannot be kept: a failed diff, whose file keeps its
    # baselined lines, never a mapping that lacks a command.
    unkept_output "floods change commands" "too large" "exec yes 1a1"
    unkept_output "ends 16 MiB of change commands with a line without a line end" "too large" \
        "yes 1a1 | head -c $((16 * 1024 * 1024)); printf 9c9"
    unkept_output "prints a change command of 65,537 bytes" "line too long" "printf '1a2%065534s\\n' ''"

    TEST "the most change commands a diff may print: mapped, cached and replayed, each run in 2 GB"
    if sanitized; then
        # No address-space limit there, and 100 MB of patch.xml take long.
        skip "a sanitized build has no address-space limit to show"
    else
        most_change_commands
    fi

    TEST "a diff program that does not exist"
    setup_diffs
    run_after_good_run "$T/tools/missing %BF"
    expect_log_has "$T/stdout" "ERROR : tandor failed to start"
    ! grep -q "exitcode" "$T/stdout" || test_failed "a failed start reports an exit code"
    exp_unmapped
    expect_appended "$T/out/a.c.err" "$A_ERR"
    expect_not_contains "$T/out/patch.xml" "$A"

    TEST "a diff that crashes after printing part of its output"
    setup_diffs
    tool crashes "echo 1,4d0; kill -SEGV \$\$"
    run_after_good_run "$T/tools/crashes %BF"
    expect_log_has "$T/stdout" "ERROR : tandor ended by a signal"
    exp_unmapped
    expect_appended "$T/out/a.c.err" "$A_ERR"
    expect_not_contains "$T/out/patch.xml" "$A"

    TEST "a diff that reads standard input gets end of file at once"
    setup_diffs
    tool reader "cat >/dev/null; exec diff \"\$@\""
    # The run's own standard input never ends: a diff that read it would
    # hang until its waits ran out, be killed and leave a.c unmapped.
    mkfifo "$T/stdin"
    exec 3<>"$T/stdin"
    run_vantrel -sop "$T/cur" -sf "$SUP" -sdt "$T/tools/reader $T/base/%BB %BF" -po baseline::log=- "$A" <"$T/stdin"
    exec 3>&-
    expect_rc 0
    expect_not_contains "$T/stdout" "ERROR : tandor"
    exp_mapped
    expect_appended "$T/out/a.c.err" "$A_ERR"

    TEST "output other than change commands is dropped; exit code 1 with output is a success"
    setup_diffs
    tool chatty "echo 'Comparing files'; echo '  2d1  '; echo '< a2'; echo '---'; echo 'x3c3'; echo '4c4 -- >'; exit 1"
    run_vantrel -sop "$T/cur" -sf "$SUP" -sdt "$T/tools/chatty" "$A"
    expect_rc 0
    exp_mapped
    expect_appended "$T/out/a.c.err" "$A_ERR"
    expect_contains "$T/out/patch.xml" "      <PATCH>2d1</PATCH>
   </FILE>"

    TEST "the default command names tandor and the database's directory"
    setup_diffs
    PATH="$T/tools:$PATH" run_vantrel -sop "$T/cur" -sf "$SUP" -po baseline::log=- "$A"
    expect_rc 0
    expect_log_has "$T/stdout" "implicit diff option used"
    expect_log_has "$T/stdout" "diff command :  tandor %BF %BR \"$T/\""
    expect_log_has "$T/stdout" "ERROR : tandor failed to start"
    exp_unmapped
    expect_appended "$T/out/a.c.err" "$A_ERR"
    tool tandor "for a in \"\$@\"; do printf '[%s]\\n' \"\$a\"; done >$T/args; echo 2d1"
    PATH="$T/tools:$PATH" run_vantrel -sop "$T/cur" -sf "$SUP" "$A"
    expect_file "$T/args" "[$A]
[%ROOTPATH%/src/a.c]
[$T/]
"

    TEST "names and idents with quotes, blanks and %B stay whole"
    local odd="$T/cur/src/my \"q\" %BF 'x'.c"
    mkdir -p "$T/base/src"
    lines o 4 >"$T/base/src/my \"q\" %BF 'x'.c"
    { lines o 2; lines o 4 | tail -n 1; } >"$odd"
    SUP="$T/baseline.sup"
    { reg 1 "id %BT \"x\" y" "\$ROOTPATH/src/my \"q\" %BF 'x'.c"; sup 1 0 4 2 40; sup 1 0 3 2 30; } | make_sup "$SUP"
    err_new "$T/out/odd.err"
    err_diag "$T/out/odd.err" "$odd" 1 1 1
    cp "$T/out/odd.err" "$T/out/my \"q\" %BF 'x'.c.err"
    before=$(file_hex "$T/out/odd.err")
    tool rec "for a in \"\$@\"; do printf '[%s]\\n' \"\$a\"; done >$T/args; exec diff \"\$1\" \"\$2\""
    run_vantrel -sop "$T/cur" -sf "$SUP" -sdt "$T/tools/rec $T/base/%BB %BF %BT" -po baseline::log=- "$odd"
    expect_rc 0
    expect_file "$T/args" "[$T/base/src/my \"q\" %BF 'x'.c]
[$odd]
[id %BT \"x\" y]
"
    expect_log_has "$T/stdout" "diff $T/tools/rec $T/base/\"src/my \"q\" %BF 'x'.c\" \"$odd\" \"id %BT \"x\" y\""
    exp_section
    exp_sup "$odd" 3 2 40
    expect_appended "$T/out/my \"q\" %BF 'x'.c.err" "$before"

    TEST "a file name ending in blanks keeps its mapping"
    local blank="$T/cur/src/e.c  "
    lines e 3 >"$T/base/src/e.c  "
    { lines e 3 | tail -n 2; } >"$blank"
    SUP="$T/baseline.sup"
    { reg 1 T '$ROOTPATH/src/e.c  '; sup 1 0 3 1 3; } | make_sup "$SUP"
    err_new "$T/out/e.c  .err"
    err_diag "$T/out/e.c  .err" "$blank" 1 1 1
    before=$(file_hex "$T/out/e.c  .err")
    run_vantrel -sop "$T/cur" -sf "$SUP" -sdt "$(gnu_diff)" "$blank"
    expect_rc 0
    exp_section
    exp_sup "$blank" 2 1 3
    expect_appended "$T/out/e.c  .err" "$before"
}
