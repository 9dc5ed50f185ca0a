# File names are bytes: whatever the locale makes of a name, it reaches the
# digest, the diff command and the log exactly as it is; a name never becomes
# part of the change commands it is mapped by; only regular files are
# digested; and the diff command's numbers never wrap.

# hex_tool: a diff tool "rec" that appends the bytes of each of its
# arguments in hex, one a line, and a line "--" to $T/args, then lets GNU diff
# compare its first two.
hex_tool() {
    tool rec "for a in \"\$@\"; do printf '%s' \"\$a\" | od -An -tx1 -v | tr -d ' \\n'; echo; done >>$T/args; echo -- >>$T/args; exec diff \"\$1\" \"\$2\""
}

# expect_args <argument>...: $T/args holds one run with these arguments.
expect_args() {
    local expected="" a
    for a in "$@"; do expected+="$(hexs "$a")"$'\n'; done
    expect_file "$T/args" "$expected--"$'\n'
}

# The a.c of the diffs suite (2d1 against its baselined version) and its
# helpers: setup_diffs, exp_mapped, exp_unmapped, run_after_good_run.
# shellcheck source=diffs.bash
. "$HERE/suites/diffs.bash" || exit 2

# setup_named <name> [<registered name> <ident>]: the a.c of setup_diffs
# under another name, registered under $ROOTPATH/src/<name> (or the name
# given) with the ident TAG_A (or the one given).
setup_named() {
    lines a 5 >"$T/base/src/$1"
    { echo a1; lines a 5 | tail -n 3; } >"$T/cur/src/$1"
    A="$T/cur/src/$1"
    SUP="$T/baseline.sup"
    { reg 1 "${3:-TAG_A}" "${2:-\$ROOTPATH/src/$1}"; sup 1 0 1 1 11; sup 1 0 2 1 12; sup 1 0 4 1 14; } | make_sup "$SUP"
    err_new "$T/out/$1.err"
    err_diag "$T/out/$1.err" "$A" 1 1 1
    A_ERR=$(file_hex "$T/out/$1.err")
}

SUITE_names() {
    TEST "a name that is no UTF-8 reaches the diff command, the digest and the log as its bytes"
    local cafe=$'caf\xe9.c'
    setup_named "$cafe"
    hex_tool
    run_vantrel -sop "$T/cur" -sf "$SUP" -sdt "$T/tools/rec $T/base/%BB %BF" -po "baseline::log=%Bf_log.txt" "$A"
    expect_rc 0
    expect_args "$T/base/src/$cafe" "$A"
    exp_mapped
    expect_appended "$T/out/$cafe.err" "$A_ERR"
    expect_log_has "$T/out/${cafe}_log.txt" "%BF $A"
    expect_log_has "$T/out/${cafe}_log.txt" "diff $T/tools/rec $T/base/\"src/$cafe\" \"$A\""

    TEST "a root path that is no UTF-8 is made absolute and cleaned over its bytes"
    local root=$'r\xe9'
    mkdir -p "$T/$root/src"
    lines a 3 >"$T/base/src/a.c"
    lines a 3 | tail -n 2 >"$T/$root/src/a.c"
    A="$T/$root/src/a.c"
    SUP="$T/baseline.sup"
    { reg 1 T '$ROOTPATH/src/a.c'; sup 1 0 3 1 3; sup 1 0 1 1 1; } | make_sup "$SUP"
    err_new "$T/out/a.c.err"
    err_diag "$T/out/a.c.err" "$A" 1 1 1
    A_ERR=$(file_hex "$T/out/a.c.err")
    cd "$T" || test_failed "cannot enter $T"
    run_vantrel -sop "./$root//src/.." -sf "$SUP" -sdt "$(gnu_diff)" -po baseline::log=- "$A"
    expect_rc 0
    expect_log_has "$T/stdout" "corrected rootpath file :  $T/$root"
    expect_log_has "$T/stdout" "%BB src/a.c"
    exp_section
    exp_sup "$A" 2 1 3
    expect_appended "$T/out/a.c.err" "$A_ERR"

    TEST "an EUC-JP name and ident under an EUC-JP product reach the diff command in EUC-JP"
    export LANG=ja_JP.eucJP
    local euc=$'\xa4\xa2.c'  # "あ.c"
    # The baseline holds text, in UTF-8.
    setup_named "$euc" '$ROOTPATH/src/あ.c' "タグ"
    hex_tool
    run_vantrel -sop "$T/cur" -sf "$SUP" -sdt "$T/tools/rec $T/base/%BB %BF %BT" -po baseline::log=- "$A"
    expect_rc 0
    expect_args "$T/base/src/$euc" "$A" $'\xa5\xbf\xa5\xb0'
    expect_log_has "$T/stdout" "INFO : Looking for ident for  \$ROOTPATH/src/あ.c"
    exp_mapped
    expect_appended "$T/out/$euc.err" "$A_ERR"

    TEST "a name holding a NUL is looked up whole and never digested or diffed as the part before it"
    setup_named a.c
    hex_tool
    # The diagnostic's file is a.c, a NUL and "x": a counted name, by hand.
    local whole
    whole="$(le32 $((${#A} + 2)))$(hexs "$A")0078"
    err_new "$T/out/a.c.err"
    append_hex "$T/out/a.c.err" "0100000000""02""$(le32 0)$(le32 0)$whole$whole$(le32 1)$(le32 1)00$(le32 1)$(le32 0)$(le32 0)$(le32 0)"
    A_ERR=$(file_hex "$T/out/a.c.err")
    run_vantrel -sop "$T/cur" -sf "$SUP" -sdt "$T/tools/rec $T/base/%BB %BF" -po "baseline::log=$T/log.txt" "$A"
    expect_rc 0
    [ -e "$T/args" ] && test_failed "the diff command ran: $(cat "$T/args")"
    # (The log holds the NUL: grep is told it is text.)
    grep -aqF "ERROR : tandor failed to start" "$T/log.txt" || test_failed "no failed start in the log"
    exp_section
    expect_appended "$T/out/a.c.err" "$A_ERR"

    TEST "a name holding a line end and a change command is no part of its mapping"
    # A header that the diagnostics of main.c name.
    local odd=$'h\n1,99d0.h' main="$T/cur/src/main.c"
    lines h 3 >"$T/base/src/$odd"
    { echo new; lines h 3; } >"$T/cur/src/$odd"
    lines m 2 >"$main"
    A="$T/cur/src/$odd"
    SUP="$T/baseline.sup"
    { reg 1 T "\$ROOTPATH/src/$odd"; sup 1 0 1 1 1; sup 1 0 2 1 2; sup 1 0 3 1 3; } | make_sup "$SUP"
    err_new "$T/fresh.err"
    err_diag "$T/fresh.err" "$A" 1 1 1
    exp_section
    exp_sup "$A" 2 1 1
    exp_sup "$A" 3 1 2
    exp_sup "$A" 4 1 3
    tool counted "echo x >>$T/calls; exec diff \"\$@\""
    local run
    for run in diffed replayed; do
        cp "$T/fresh.err" "$T/out/main.c.err"
        run_vantrel -sop "$T/cur" -sf "$SUP" -sdt "$T/tools/counted $T/base/%BB %BF" "$main"
        expect_rc 0
        expect_appended "$T/out/main.c.err" "$(file_hex "$T/fresh.err")"
    done
    # The second run took the mapping from patch.xml.
    [ "$(wc -l <"$T/calls")" = 1 ] || test_failed "the file was diffed again"

    TEST "a FIFO and a device named by diagnostics: not digested, diffed on every run, nothing replays"
    mkfifo "$T/cur/src/fifo"
    local fifo="$T/cur/src/fifo" main="$T/cur/src/main.c"
    lines m 2 >"$main"
    SUP="$T/baseline.sup"
    { reg 1 T '$ROOTPATH/src/fifo'; sup 1 0 1 1 1; reg 2 Z '/dev/zero'; sup 2 0 1 1 2; } | make_sup "$SUP"
    err_new "$T/out/main.c.err"
    err_diag "$T/out/main.c.err" "$fifo" 1 1 1
    err_diag "$T/out/main.c.err" /dev/zero 2 1 1
    before=$(file_hex "$T/out/main.c.err")
    # The tool opens neither file: only vantrel's own reading could block.
    tool calls "echo \"\$1\" >>$T/calls; echo 0a1"
    exp_section
    while read -r name; do
        [ "$name" = /dev/zero ] && exp_sup /dev/zero 2 1 2 || exp_sup "$fifo" 2 1 1
    done < <(printf '%s\n' "$fifo" /dev/zero | LC_ALL=C sort)
    for run in 1 2; do
        timeout 20 "$VANTREL" ZXC -sop "$T/cur" -sf "$SUP" -sdt "$T/tools/calls %BF" "$main" >"$T/stdout" 2>"$T/stderr"
        rc=$?
        expect_rc 0
        expect_appended "$T/out/main.c.err" "$before"
        before=$(file_hex "$T/out/main.c.err")
    done
    [ "$(grep -cxF -- "$fifo" "$T/calls")" = 2 ] || test_failed "the FIFO was not diffed on both runs"
    [ "$(grep -cxF /dev/zero "$T/calls")" = 2 ] || test_failed "/dev/zero was not diffed on both runs"

    local command
    for command in 99999999999a1 0a2147483647; do
        TEST "a change command beyond the 32-bit range fails the diff: $command"
        setup_diffs
        tool out "echo 2d1; echo '$command'"
        run_after_good_run "$T/tools/out"
        expect_log_has "$T/stdout" "ERROR : tandor output out of range $command"
        exp_unmapped
        expect_appended "$T/out/a.c.err" "$A_ERR"
        expect_not_contains "$T/out/patch.xml" "$A"
    done

    TEST "a cached change command beyond the 32-bit range is not replayed: the file is diffed again"
    setup_diffs
    tool counted "echo x >>$T/calls; exec diff \"\$@\""
    run_vantrel -sop "$T/cur" -sf "$SUP" -sdt "$T/tools/counted $T/base/%BB %BF" "$A"
    sed -i 's#<PATCH>2d1</PATCH>#<PATCH>0a2147483647</PATCH>#' "$T/out/patch.xml"
    expect_contains "$T/out/patch.xml" "<PATCH>0a2147483647</PATCH>"
    A_ERR=$(file_hex "$T/out/a.c.err")
    run_vantrel -sop "$T/cur" -sf "$SUP" -sdt "$T/tools/counted $T/base/%BB %BF" -po baseline::log=- "$A"
    expect_rc 0
    expect_log_has "$T/stdout" "Warning : cached tandor output out of range 0a2147483647"
    [ "$(wc -l <"$T/calls")" = 2 ] || test_failed "the file was not diffed again"
    exp_mapped
    expect_appended "$T/out/a.c.err" "$A_ERR"
    expect_contains "$T/out/patch.xml" "<PATCH>2d1</PATCH>"

    for command in "   " '""'; do
        TEST "a diff command with no word fails to start: [$command]"
        setup_diffs
        run_after_good_run "$command"
        expect_log_has "$T/stdout" "ERROR : tandor failed to start"
        exp_unmapped
        expect_appended "$T/out/a.c.err" "$A_ERR"
        expect_not_contains "$T/out/patch.xml" "$A"
    done

    TEST "an empty diff command runs nothing and logs no start error"
    setup_diffs
    run_after_good_run ""
    expect_not_contains "$T/stdout" "ERROR : tandor failed to start"
    exp_unmapped
    expect_appended "$T/out/a.c.err" "$A_ERR"
    expect_not_contains "$T/out/patch.xml" "$A"
}
