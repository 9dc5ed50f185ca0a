# The main road: baselined suppressions move with their lines, the patch
# cache spares the diff on the next run, and the cache follows the database.

# A project of three files and two sources, both naming the header:
#   a.c  two lines inserted after line 3, line 7 deleted  (3a4,5 and 7d8)
#   h.h  line 1 changed                                    (1c1)
#   b.c  unchanged
setup_project() {
    lines a 10 >"$T/base/src/a.c"
    { lines a 3; echo new1; echo new2; lines a 6 | tail -n 3; lines a 10 | tail -n 3; } >"$T/cur/src/a.c"
    lines h 5 >"$T/base/src/h.h"
    { echo H1; lines h 5 | tail -n 4; } >"$T/cur/src/h.h"
    lines b 3 >"$T/base/src/b.c"
    lines b 3 >"$T/cur/src/b.c"
    A="$T/cur/src/a.c" B="$T/cur/src/b.c" H="$T/cur/src/h.h"
    SUP="$T/baseline.sup"
    {
        reg 1 TAG_A '$ROOTPATH/src/a.c'
        reg 2 TAG_H '$ROOTPATH/src/h.h'
        reg 3 TAG_B '$ROOTPATH/src/b.c'
        sup 1 0 2 5 100   # before the first change: stays at 2
        sup 1 0 4 1 101   # after the insertion: 6
        sup 1 0 7 3 102   # deleted: dropped
        sup 1 0 10 2 103 # past the last change: 11
        sup 1 1 5 1 104   # not in force
        sup 2 0 1 1 200   # changed: dropped
        sup 2 0 3 7 201   # stays at 3
        sup 3 0 2 2 300   # unchanged file: stays at 2
    } | make_sup "$SUP"
    err_new "$T/out/a.c.err"
    err_diag "$T/out/a.c.err" "$A" 1 1 5
    err_diag "$T/out/a.c.err" "$H" 2 2 6
    err_new "$T/out/b.c.err"
    err_diag "$T/out/b.c.err" "$H" 3 3 7
    err_diag "$T/out/b.c.err" "$B" 4 4 8
    A_ERR=$(file_hex "$T/out/a.c.err")
    B_ERR=$(file_hex "$T/out/b.c.err")
    # Counts the diff processes in $T/diffs, then diffs as GNU diff.
    tool countdiff "echo \"\$2\" >>$T/diffs; exec diff \"\$@\""
    COUNTDIFF="$T/tools/countdiff $T/base/%BB %BF"
}

exp_a() {
    exp_section
    exp_sup "$A" 2 5 100
    exp_sup "$A" 6 1 101
    exp_sup "$A" 11 2 103
    exp_sup "$H" 3 7 201
}

exp_b() {
    exp_section
    exp_sup "$B" 2 2 300
    exp_sup "$H" 3 7 201
}

md5() {
    md5sum "$1" | cut -d' ' -f1
}

patch_xml_head() {
    printf '%s\n' '<?xml version="1.0" encoding="UTF-8"?>' '' '<!DOCTYPE PATCHFILE [' \
        '<!ELEMENT PATCHFILE (FILE*)>' '<!ELEMENT FILE  (DATE*, PATCH*)>' '<!ELEMENT DATE  (#PCDATA)>' \
        '<!ELEMENT PATCH (#PCDATA)>' '<!ATTLIST PATCHFILE sname CDATA #REQUIRED>' \
        '<!ATTLIST PATCHFILE sdate CDATA #REQUIRED>' '<!ATTLIST FILE name CDATA #REQUIRED>' ']>' ''
}

expected_patch_xml() {
    patch_xml_head
    printf '<PATCHFILE sname="%s" sdate="%s">\n' "$SUP" "$(md5 "$SUP")"
    printf '   <FILE name="%s">\n      <DATE>%s</DATE>\n' "$A" "$(md5 "$A")"
    printf '      <PATCH>%s</PATCH>\n' 3a4,5 7d8
    printf '   </FILE>\n'
    printf '   <FILE name="%s">\n      <DATE>%s</DATE>\n   </FILE>\n' "$B" "$(md5 "$B")"
    printf '   <FILE name="%s">\n      <DATE>%s</DATE>\n      <PATCH>1c1</PATCH>\n   </FILE>\n' "$H" "$(md5 "$H")"
    printf '</PATCHFILE>\n\n'
}

# patch.xml is exactly the expected text, both line feeds at its end included.
expect_patch_xml() {
    local text
    text=$(expected_patch_xml; printf x)
    expect_file "$T/out/patch.xml" "${text%x}"
}

SUITE_road() {
    TEST "cold run: suppressions moved, dropped and kept, header once per run"
    setup_project
    run_vantrel -sop "$T/cur" -sf "$SUP" -sdt "$COUNTDIFF" "$A" "$B"
    expect_rc 0
    expect_empty "$T/stdout"
    expect_empty "$T/stderr"
    exp_a
    expect_appended "$T/out/a.c.err" "$A_ERR"
    exp_b
    expect_appended "$T/out/b.c.err" "$B_ERR"
    expect_patch_xml
    [ "$(wc -l <"$T/diffs")" = 3 ] || test_failed "expected 3 diff processes, got $(wc -l <"$T/diffs")"

    TEST "warm run: no diff process, patch.xml untouched, same records again"
    setup_project
    run_vantrel -sop "$T/cur" -sf "$SUP" -sdt "$COUNTDIFF" "$A" "$B"
    expect_rc 0
    touch -d '2000-01-01' "$T/out/patch.xml"
    before=$(stat -c '%i %Y %s' "$T/out/patch.xml")
    rm -f "$T/diffs"
    run_vantrel -sop "$T/cur" -sf "$SUP" -sdt "$COUNTDIFF" "$A" "$B"
    expect_rc 0
    expect_missing "$T/diffs"
    [ "$(stat -c '%i %Y %s' "$T/out/patch.xml")" = "$before" ] || test_failed "patch.xml was rewritten"
    exp_a
    expect_appended "$T/out/a.c.err" "$A_ERR$EXP"
    exp_b
    expect_appended "$T/out/b.c.err" "$B_ERR$EXP"

    TEST "an edited file is diffed again, the others replay"
    setup_project
    run_vantrel -sop "$T/cur" -sf "$SUP" -sdt "$COUNTDIFF" "$A" "$B"
    { lines b 3; echo b4; } >"$T/cur/src/b.c"
    rm -f "$T/diffs"
    run_vantrel -sop "$T/cur" -sf "$SUP" -sdt "$COUNTDIFF" "$A" "$B"
    expect_rc 0
    expect_file "$T/diffs" "$B
"
    expect_contains "$T/out/patch.xml" "<PATCH>3a4</PATCH>"

    TEST "nocache: patch.xml erased, every file diffed, nothing written back"
    setup_project
    run_vantrel -sop "$T/cur" -sf "$SUP" -sdt "$COUNTDIFF" "$A" "$B"
    rm -f "$T/diffs"
    run_vantrel -sop "$T/cur" -sf "$SUP" -sdt "$COUNTDIFF" -po baseline::nocache "$A" "$B"
    expect_rc 0
    expect_missing "$T/out/patch.xml"
    [ "$(wc -l <"$T/diffs")" = 3 ] || test_failed "expected 3 diff processes"
    exp_a
    expect_appended "$T/out/a.c.err" "$A_ERR$EXP"

    TEST "a changed database empties the cache: everything diffed again"
    setup_project
    run_vantrel -sop "$T/cur" -sf "$SUP" -sdt "$COUNTDIFF" "$A" "$B"
    sup 3 0 3 1 301 | sqlite3 "$SUP"
    rm -f "$T/diffs"
    run_vantrel -sop "$T/cur" -sf "$SUP" -sdt "$COUNTDIFF" "$A" "$B"
    expect_rc 0
    [ "$(wc -l <"$T/diffs")" = 3 ] || test_failed "expected 3 diff processes"
    expect_patch_xml
    exp_section
    exp_sup "$B" 2 2 300
    exp_sup "$B" 3 1 301
    exp_sup "$H" 3 7 201
    got=$(file_hex "$T/out/b.c.err")
    [ "${got: -${#EXP}}" = "$EXP" ] || test_failed "b.c.err's last section is not the expected one"

    TEST "an unregistered file is diffed but gains nothing; the names are the file's own"
    setup_project
    lines u 2 >"$T/cur/src/u.c"
    lines u 2 >"$T/base/src/u.c"
    err_new "$T/out/u.c.err"
    err_diag "$T/out/u.c.err" "$T/cur/src/u.c" 1 1 1
    U_ERR=$(file_hex "$T/out/u.c.err")
    run_vantrel -sop "$T/cur" -sf "$SUP" -sdt "$COUNTDIFF" "$T/cur/src/u.c"
    expect_rc 0
    expect_file "$T/diffs" "$T/cur/src/u.c
"
    exp_section
    expect_appended "$T/out/u.c.err" "$U_ERR"

    TEST "a name given twice is processed once; letter case of the lookup key does not matter"
    setup_project
    { reg 1 TAG_A '$rootpath/SRC/A.C'; } | sqlite3 "$SUP"
    sqlite3 "$SUP" "DELETE FROM RF_FileReg WHERE FR_Name = '\$ROOTPATH/src/a.c'"
    run_vantrel -sop "$T/cur" -sf "$SUP" -sdt "$(gnu_diff)" "$A" "$A"
    expect_rc 0
    exp_a
    expect_appended "$T/out/a.c.err" "$A_ERR"

    TEST "without -sop the names are looked up whole"
    setup_project
    { reg 4 TAG_A "$A"; sup 4 0 9 9 900; } | sqlite3 "$SUP"
    run_vantrel -sf "$SUP" -sdt "diff $T/base/src/%Bf %BF" "$A"
    expect_rc 0
    exp_section
    exp_sup "$A" 10 9 900
    expect_appended "$T/out/a.c.err" "$A_ERR"

    TEST "default database in the output directory, default output directory"
    setup_project
    mv "$SUP" "$T/out/baseline.sup"
    run_vantrel -sop "$T/cur" -sdt "$(gnu_diff)" "$A"
    expect_rc 0
    exp_a
    expect_appended "$T/out/a.c.err" "$A_ERR"
    export ZXCOUTPATH=""
    cp "$T/out/a.c.err" "$T/out/baseline.sup" "$T/work/"
    A_ERR=$(file_hex "$T/work/a.c.err")
    run_vantrel -sop "$T/cur" -sdt "$(gnu_diff)" "$A"
    expect_rc 0
    expect_appended "$T/work/a.c.err" "$A_ERR"
    [ -f "$T/work/patch.xml" ] || test_failed "an empty output directory is not the current one"

    TEST "a missing database touches nothing"
    setup_project
    run_vantrel -sop "$T/cur" -sf "$T/none.sup" -sdt "$COUNTDIFF" -po baseline::log=- "$A" "$B"
    expect_rc 0
    expect_unchanged "$T/out/a.c.err" "$A_ERR"
    expect_unchanged "$T/out/b.c.err" "$B_ERR"
    expect_missing "$T/out/patch.xml"
    expect_missing "$T/diffs"
    expect_log_has "$T/stdout" "sup file does not exist $T/none.sup"

    TEST "a missing SQL driver touches nothing"
    setup_project
    cp "$VANTREL" "$T/tools/vantrel"
    "$T/tools/vantrel" ZXC -sop "$T/cur" -sf "$SUP" -sdt "$COUNTDIFF" -po baseline::log=- "$A" >"$T/stdout" 2>"$T/stderr"
    rc=$?
    expect_rc 0
    expect_unchanged "$T/out/a.c.err" "$A_ERR"
    expect_missing "$T/diffs"
    expect_log_has "$T/stdout" "ERROR : Unable to load driver"
    expect_log_has "$T/stdout" "unable to open for read $SUP"

    TEST "a database that is not a baseline cannot be opened and touches nothing"
    setup_project
    rm "$SUP"
    echo "CREATE TABLE other (x);" | sqlite3 "$SUP"
    run_vantrel -sop "$T/cur" -sf "$SUP" -sdt "$COUNTDIFF" -po baseline::log=- "$A"
    expect_rc 0
    expect_log_has "$T/stdout" "unable to open for read $SUP"
    expect_unchanged "$T/out/a.c.err" "$A_ERR"
    expect_missing "$T/diffs"
    expect_missing "$T/out/patch.xml"
}
