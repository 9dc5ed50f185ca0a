# Where baselined lines go: before the first change, inside and past the
# last one, moved blocks, and lines the baseline never had (0, -1 and other
# negative numbers).

SUITE_mapping() {
    TEST "a moved block is a deletion and an insertion; negative lines"
    # m.c: lines 2 and 3 moved to the end (2,3d1 and 12a11,12).
    lines m 12 >"$T/base/src/m.c"
    { echo m1; lines m 12 | tail -n 9; echo m2; echo m3; } >"$T/cur/src/m.c"
    M="$T/cur/src/m.c"
    {
        reg 1 T '$ROOTPATH/src/m.c'
        sup 1 0 1 1 1      # before the first change: 1
        sup 1 0 2 1 2      # moved away: dropped
        sup 1 0 3 1 3      # moved away: dropped
        sup 1 0 5 1 5      # 3
        sup 1 0 12 1 12    # last line: 10
        sup 1 0 13 1 13    # past the end: 13
        sup 1 0 0 1 100    # line 0: stays 0
        sup 1 0 -1 1 101   # line -1 is "gone": dropped
        sup 1 0 -5 1 105   # other negative lines stay as they are
        sup 1 0 4 -3 -7    # negative column and message number
    } | make_sup "$T/baseline.sup"
    err_new "$T/out/m.c.err"
    err_diag "$T/out/m.c.err" "$M" 1 1 1
    before=$(file_hex "$T/out/m.c.err")
    run_vantrel -sop "$T/cur" -sf "$T/baseline.sup" -sdt "$(gnu_diff)" "$M"
    expect_rc 0
    exp_section
    exp_sup "$M" 1 1 1
    exp_sup "$M" 3 1 5
    exp_sup "$M" 10 1 12
    exp_sup "$M" 13 1 13
    exp_sup "$M" 0 1 100
    exp_sup "$M" -5 1 105
    exp_sup "$M" 2 -3 -7
    expect_appended "$T/out/m.c.err" "$before"

    TEST "a file without a mapping keeps every line, but line -1 is still dropped"
    lines m 3 >"$T/cur/src/m.c"
    M="$T/cur/src/m.c"
    { reg 1 T '$ROOTPATH/src/m.c'; sup 1 0 -1 1 1; sup 1 0 7 7 7; } | make_sup "$T/baseline.sup"
    err_new "$T/out/m.c.err"
    err_diag "$T/out/m.c.err" "$M" 1 1 1
    before=$(file_hex "$T/out/m.c.err")
    run_vantrel -sop "$T/cur" -sf "$T/baseline.sup" -sdt "true" "$M"
    expect_rc 0
    exp_section
    exp_sup "$M" 7 7 7
    expect_appended "$T/out/m.c.err" "$before"
}
