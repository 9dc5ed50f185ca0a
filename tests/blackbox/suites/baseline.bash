# The baseline answers as SQLite does: rows in the order of the query of
# each key (indexes included), names compared as their bytes, values that
# are no 32-bit integers left out; and a baseline that cannot be used
# touches nothing.

# a.c, unchanged since the baseline (GNU diff prints nothing: no mapping),
# named by the diagnostics of a.c.err; its suppressions go in by the caller.
setup_baseline() {
    lines a 10 >"$T/base/src/a.c"
    lines a 10 >"$T/cur/src/a.c"
    A="$T/cur/src/a.c"
    SUP="$T/baseline.sup"
    err_new "$T/out/a.c.err"
    err_diag "$T/out/a.c.err" "$A" 1 1 1
    A_ERR=$(file_hex "$T/out/a.c.err")
    # Records the ident it was given in $T/idents, then diffs as GNU diff.
    tool rec "echo \"\$3\" >>$T/idents; exec diff \"\$1\" \"\$2\""
    REC="$T/tools/rec $T/base/%BB %BF %BT"
}

# a.c, b.c and c.c, unchanged, each named by the diagnostics of its own
# message file; the baseline is the caller's.
setup_three() {
    setup_baseline
    local name
    for name in b c; do
        lines "$name" 10 >"$T/cur/src/$name.c"
        err_new "$T/out/$name.c.err"
        err_diag "$T/out/$name.c.err" "$T/cur/src/$name.c" 1 1 1
    done
    B="$T/cur/src/b.c"
    C="$T/cur/src/c.c"
    B_ERR=$(file_hex "$T/out/b.c.err")
    C_ERR=$(file_hex "$T/out/c.c.err")
}

run_baseline() {
    run_vantrel -sop "$T/cur" -sf "$SUP" -sdt "$REC" -po baseline::log=- "$A"
    expect_rc 0
    expect_empty "$T/stderr"
}

# expect_untouched: what a baseline that cannot be opened leaves: every
# message file as it was, no diff run, no patch.xml.
expect_untouched() {
    expect_unchanged "$T/out/a.c.err" "$A_ERR"
    expect_missing "$T/idents"
    expect_missing "$T/out/patch.xml"
}

# expect_count <file> <line> <n>: the masked log holds the line n times.
expect_count() {
    log_of "$1" >"$T/log.masked"
    local got
    got=$(grep -cxF -- "@ $2" "$T/log.masked")
    [ "$got" = "$3" ] || test_failed "log $1 holds '$2' $got times, expected $3"
}

# wal_rebaseline <naming>: a WAL baseline named as the naming says
# (-sf in $NAME_ARGS, its path for the log in $NAME), run once, then
# re-baselined through that name without a checkpoint: the file's ident
# changes and a suppression is added. The next run, with patch.xml, must
# diff again and append what a run without patch.xml appends.
wal_rebaseline() {
    setup_baseline
    mkdir -p "$T/db"
    local real="$T/db/baseline.sup"
    case $1 in
    "a plain file") NAME=$real ;;
    "a link to the file") ln -s db/baseline.sup "$T/link.sup" && NAME="$T/link.sup" ;;
    "the default baseline.sup as a link") ln -s "$real" "$T/out/baseline.sup" && NAME="$T/out/baseline.sup" ;;
    "a link to its directory") ln -s db "$T/dblink" && NAME="$T/dblink/baseline.sup" ;;
    esac
    NAME_ARGS=(-sf "$NAME")
    [ "$1" = "the default baseline.sup as a link" ] && NAME_ARGS=()
    # The ident names the baselined version: T1 is the current file, T2 has
    # the line 2 that the current one lost.
    mkdir -p "$T/base/T1" "$T/base/T2"
    { echo a1; lines a 10 | tail -n 8; } >"$A"
    cp "$A" "$T/base/T1/a.c"
    lines a 10 >"$T/base/T2/a.c"
    tool bytag "exec diff $T/base/\$2/a.c \$1"
    { echo "PRAGMA journal_mode = WAL;"; reg 1 T1 '$ROOTPATH/src/a.c'; sup 1 0 5 1 50; } | make_sup "$NAME" >/dev/null
    run_vantrel -sop "$T/cur" "${NAME_ARGS[@]}" -sdt "$T/tools/bytag %BF %BT" "$A"
    expect_rc 0
    exp_section
    exp_sup "$A" 5 1 50
    expect_appended "$T/out/a.c.err" "$A_ERR"
    local before sup_md5
    before=$(file_hex "$T/out/a.c.err")
    sup_md5=$(md5sum <"$real" | cut -d' ' -f1)
    sqlite3 "$NAME" ".dbconfig no_ckpt_on_close on" "UPDATE RF_FileReg SET FR_Ident = 'T2';" "$(sup 1 0 7 1 70)" >/dev/null
    [ "$(md5sum <"$real" | cut -d' ' -f1)" = "$sup_md5" ] || test_failed "the writer changed the .sup file itself"
    [ -s "$real-wal" ] || test_failed "the writer left no -wal file beside $real"
    cp "$T/out/patch.xml" "$T/patch.xml.before"

    run_vantrel -sop "$T/cur" "${NAME_ARGS[@]}" -sdt "$T/tools/bytag %BF %BT" -po baseline::log=- "$A"
    expect_rc 0
    exp_section
    exp_sup "$A" 4 1 50
    exp_sup "$A" 6 1 70
    expect_appended "$T/out/a.c.err" "$before"
    local cached wal_md5
    cached=$(file_hex "$T/out/a.c.err")
    wal_md5=$(md5sum <"$real-wal" | cut -d' ' -f1)
    expect_log_has "$T/stdout" "Hash :  $sup_md5 $NAME"
    expect_log_has "$T/stdout" "Hash :  $wal_md5 $(realpath "$real")-wal"
    expect_contains "$T/out/patch.xml" "sdate=\"$(printf '%s%s' "$sup_md5" "$wal_md5" | md5sum | cut -d' ' -f1)\""

    write_hex "$T/out/a.c.err" "$before"
    rm "$T/out/patch.xml"
    run_vantrel -sop "$T/cur" "${NAME_ARGS[@]}" -sdt "$T/tools/bytag %BF %BT" "$A"
    expect_rc 0
    [ "$(file_hex "$T/out/a.c.err")" = "$cached" ] || test_failed "the cached run appended other records than a run without patch.xml"
}

SUITE_baseline() {
    TEST "suppressions come in the order of the index on their key and line"
    setup_baseline
    { reg 1 T '$ROOTPATH/src/a.c'; sup 1 0 9 1 90; sup 1 0 2 1 20; sup 1 0 5 1 50; } | make_sup "$SUP"
    sqlite3 "$SUP" "CREATE INDEX s ON DT_Suppression(SP_FileReg, SP_Line)"
    run_baseline
    exp_section
    exp_sup "$A" 2 1 20
    exp_sup "$A" 5 1 50
    exp_sup "$A" 9 1 90
    expect_appended "$T/out/a.c.err" "$A_ERR"
    # Without the index SQLite answers in table order.
    sqlite3 "$SUP" "DROP INDEX s"
    A_ERR=$(file_hex "$T/out/a.c.err")
    run_baseline
    exp_section
    exp_sup "$A" 9 1 90
    exp_sup "$A" 2 1 20
    exp_sup "$A" 5 1 50
    expect_appended "$T/out/a.c.err" "$A_ERR"

    TEST "two registrations under an expression index: the last of the index's order holds"
    setup_baseline
    { reg 5 T5 '$ROOTPATH/src/a.c'; reg 3 T3 '$ROOTPATH/src/a.c'; sup 5 0 4 1 54; sup 3 0 7 1 37; } | make_sup "$SUP"
    sqlite3 "$SUP" "CREATE INDEX r ON RF_FileReg(UPPER(FR_Name), FR_Primary)"
    run_baseline
    expect_file "$T/idents" "T5
"
    log_of "$T/stdout" >"$T/log.masked"
    grep -F '@ Ident : ' "$T/log.masked" >"$T/idents.log"
    expect_file "$T/idents.log" "@ Ident :  \$ROOTPATH/src/a.c T3
@ Ident :  \$ROOTPATH/src/a.c T5
"
    exp_section
    exp_sup "$A" 4 1 54
    expect_appended "$T/out/a.c.err" "$A_ERR"

    TEST "a name with a byte that is no UTF-8 gets its own suppressions, never another name's"
    setup_baseline
    local e9 e8
    e9="$T/cur/src/caf"$'\xe9'".c"
    e8='$ROOTPATH/src/caf'$'\xe8'".c"
    lines e 3 >"$e9"
    local e9err="$T/out/caf"$'\xe9'".c.err"
    err_new "$e9err"
    err_diag "$e9err" "$e9" 1 1 1
    E_ERR=$(file_hex "$e9err")
    {
        make_sup "$SUP" </dev/null
        echo "INSERT INTO RF_FileReg VALUES (1, 'T8', CAST(x'$(hexs "$e8")' AS TEXT));"
        sup 1 0 2 1 12
        echo "INSERT INTO RF_FileReg VALUES (2, 'T9', CAST(x'$(hexs '$ROOTPATH/src/caf'$'\xe9''.c')' AS TEXT));"
        sup 2 0 3 1 13
    } | sqlite3 "$SUP"
    run_vantrel -sop "$T/cur" -sf "$SUP" -sdt "true" -po baseline::log=- "$e9"
    expect_rc 0
    expect_not_contains "$T/stdout" "Ident :  \$ROOTPATH/src/caf"$'\xe9'".c T8"
    expect_contains "$T/stdout" "Ident :  \$ROOTPATH/src/caf"$'\xe9'".c T9"
    exp_section
    exp_sup "$e9" 3 1 13
    expect_appended "$e9err" "$E_ERR"

    TEST "values in each column: NULL reads as 0, one that is no 32-bit integer leaves its row out, logged once"
    setup_baseline
    lines b 10 >"$T/base/src/b.c"
    lines b 10 >"$T/cur/src/b.c"
    B="$T/cur/src/b.c"
    err_diag "$T/out/a.c.err" "$B" 2 2 2
    A_ERR=$(file_hex "$T/out/a.c.err")
    err_new "$T/out/b.c.err"
    err_diag "$T/out/b.c.err" "$B" 1 1 1
    B_ERR=$(file_hex "$T/out/b.c.err")
    # Row n is state 0, line n, column 1, message 100+n, but for one value
    # in one column; 4294967296 would wrap to 0, which is state in force.
    local values=(NULL "''" "'7x'" 1.5 4294967296) column value n=0 row
    local kept=()
    {
        # 4294967297 would wrap to 1 and take b.c's rows.
        reg 4294967297 BIG '$ROOTPATH/src/a.c'
        reg 1 TB '$ROOTPATH/src/b.c'
        sup 1 0 99 1 99
    } >"$T/rows.sql"
    for column in 0 1 2 3; do
        for value in "${values[@]}"; do
            n=$((n + 1))
            row=(0 "$n" 1 $((100 + n)))
            row[column]=$value
            sup 1 "${row[@]}" >>"$T/rows.sql"
            if [ "$value" = NULL ]; then
                row[column]=0
                kept+=("${row[1]} ${row[2]} ${row[3]}")
            fi
        done
    done
    [ "${#kept[@]}" = 4 ] || test_failed "the table lost its rows"
    make_sup "$SUP" <"$T/rows.sql"
    run_vantrel -sop "$T/cur" -sf "$SUP" -sdt "$(gnu_diff)" -po baseline::log=- "$A" "$B"
    expect_rc 0
    expect_count "$T/stdout" "Warning : rows with values that are no 32-bit integers skipped for \$ROOTPATH/src/a.c" 1
    expect_count "$T/stdout" "Warning : rows with values that are no 32-bit integers skipped for \$ROOTPATH/src/b.c" 1
    expect_not_contains "$T/stdout" "BIG"
    local file before
    for file in a b; do
        exp_section
        exp_sup "$B" 99 1 99
        for row in "${kept[@]}"; do
            # shellcheck disable=SC2086
            exp_sup "$B" $row
        done
        before=A_ERR
        [ "$file" = b ] && before=B_ERR
        expect_appended "$T/out/$file.c.err" "${!before}"
    done

    TEST "a -sf path with a byte that is no UTF-8 is the file of that name"
    setup_baseline
    SUP="$T/caf"$'\xe9'".sup"
    { reg 1 T '$ROOTPATH/src/a.c'; sup 1 0 3 1 30; } | make_sup "$SUP"
    run_baseline
    expect_log_has "$T/stdout" "using sup file :  $SUP"
    expect_log_has "$T/stdout" "DBFILE :  $SUP"
    expect_log_has "$T/stdout" "Hash :  $(md5sum "$SUP" | cut -d' ' -f1) $SUP"
    exp_section
    exp_sup "$A" 3 1 30
    expect_appended "$T/out/a.c.err" "$A_ERR"

    TEST "a WAL-mode baseline is read, its journal files beside it"
    setup_baseline
    { echo "PRAGMA journal_mode = WAL;"; reg 1 T '$ROOTPATH/src/a.c'; sup 1 0 3 1 30; } | make_sup "$SUP" >/dev/null
    run_baseline
    exp_section
    exp_sup "$A" 3 1 30
    expect_appended "$T/out/a.c.err" "$A_ERR"
    [ -e "$SUP-shm" ] || test_failed "no $SUP-shm beside the baseline"

    local naming
    for naming in "a plain file" "a link to the file" "the default baseline.sup as a link" "a link to its directory"; do
        TEST "a WAL baseline named as $naming, changed without a checkpoint: the cached run appends what a run without patch.xml does"
        wal_rebaseline "$naming"
    done

    TEST "a table that cannot be read: SQLite's message logged, the message file untouched, exit 18"
    setup_baseline
    { reg 1 T '$ROOTPATH/src/a.c'; sup 1 0 3 1 30; } | make_sup "$SUP"
    # Pages 2 and 3, the two tables, overwritten.
    head -c 8192 /dev/zero | tr '\0' 'Z' | dd of="$SUP" bs=4096 seek=1 conv=notrunc status=none
    run_vantrel -sop "$T/cur" -sf "$SUP" -sdt "$REC" -po baseline::log=- "$A"
    expect_rc 18
    log_of "$T/stdout" >"$T/log.masked"
    grep -A3 -xF "@ ERROR : unable to obtain file information" "$T/log.masked" >"$T/failure.log"
    expect_file "$T/failure.log" "@ ERROR : unable to obtain file information
@ \$ROOTPATH/src/a.c
@ database disk image is malformed
@ Unable to fetch row
"
    expect_file "$T/stderr" "ERROR: the baseline could not be read for \$ROOTPATH/src/a.c: database disk image is malformed
"
    expect_untouched

    TEST "a damaged page of DT_Suppression: files done before keep their sections, the rest untouched, exit 18"
    setup_three
    {
        reg 1 T '$ROOTPATH/src/a.c'
        reg 2 T '$ROOTPATH/src/b.c'
        reg 3 T '$ROOTPATH/src/c.c'
        sup 1 0 3 1 13
        for i in $(seq 300); do sup 2 0 "$i" 1 "$i"; done
        sup 3 0 5 1 35
        echo "CREATE INDEX s ON DT_Suppression(SP_FileReg);"
        # Small pages: the rows of b.c fill many.
        echo "PRAGMA page_size = 512;"
        echo "VACUUM;"
    } | make_sup "$SUP"
    # Every leaf of the table but its first and its last, which hold the
    # rows of a.c and c.c: only b.c's rows are damaged.
    local page
    for page in $(sqlite3 "$SUP" "SELECT pageno FROM dbstat WHERE name = 'DT_Suppression' AND pagetype = 'leaf'
            ORDER BY path" | sed '1d;$d'); do
        head -c 512 /dev/zero | tr '\0' 'Z' | dd of="$SUP" bs=512 seek=$((page - 1)) conv=notrunc status=none
    done
    run_vantrel -sop "$T/cur" -sf "$SUP" -sdt true -po baseline::log=- "$A" "$B" "$C"
    expect_rc 18
    exp_section
    exp_sup "$A" 3 1 13
    expect_appended "$T/out/a.c.err" "$A_ERR"
    expect_unchanged "$T/out/b.c.err" "$B_ERR"
    expect_unchanged "$T/out/c.c.err" "$C_ERR"
    expect_log_has "$T/stdout" "ERROR : unable to obtain suppressions for \$ROOTPATH/src/b.c"
    expect_log_has "$T/stdout" "database disk image is malformed"
    expect_contains "$T/stderr" "database disk image is malformed"
    expect_missing "$T/out/patch.xml"

    TEST "a writer that locks the baseline during the run waits for its end: every section complete"
    setup_three
    { reg 1 T '$ROOTPATH/src/a.c'; reg 2 T '$ROOTPATH/src/b.c'; reg 3 T '$ROOTPATH/src/c.c'
        sup 1 0 3 1 13; sup 2 0 4 1 24; sup 3 0 5 1 35; } | make_sup "$SUP"
    # a.c's diff starts the writer and waits until it has asked for its
    # lock: SQLite holds the baseline's lock bytes for writing while it
    # waits for the readers to go. c.c's diff, the last, says when it ran.
    # Once it has its lock, the writer holds it until the run has ended: a
    # run that let it in while reading would find the baseline locked.
    tool asked 'ino=$(stat -c %i "$2")
for i in $(seq 200); do
    grep -qE "^[0-9]+: POSIX +ADVISORY +WRITE +$1 [0-9a-f]+:[0-9a-f]+:$ino " /proc/locks && exit 0
    sleep 0.05
done
exit 1'
    tool hold "date +%s%N >$T/locked
for i in \$(seq 600); do [ -e $T/ran ] && break; sleep 0.05; done"
    printf '%s\n' ".timeout 20000" "BEGIN EXCLUSIVE;" ".shell $T/tools/hold" "ROLLBACK;" >"$T/writer.sql"
    tool lockstart "case \$1 in
*/a.c) sqlite3 $SUP <$T/writer.sql >$T/writer.out 2>&1 & echo \$! >$T/writer.pid; $T/tools/asked \$! $SUP || : >$T/unasked ;;
*/c.c) date +%s%N >$T/last ;;
esac"
    run_vantrel -sop "$T/cur" -sf "$SUP" -sdt "$T/tools/lockstart %BF" -po baseline::log=- "$A" "$B" "$C"
    : >"$T/ran"
    local waited=0
    while kill -0 "$(cat "$T/writer.pid")" 2>/dev/null && [ "$waited" -lt 300 ]; do
        sleep 0.1
        waited=$((waited + 1))
    done
    expect_rc 0
    expect_empty "$T/stderr"
    exp_section
    exp_sup "$A" 3 1 13
    expect_appended "$T/out/a.c.err" "$A_ERR"
    exp_section
    exp_sup "$B" 4 1 24
    expect_appended "$T/out/b.c.err" "$B_ERR"
    exp_section
    exp_sup "$C" 5 1 35
    expect_appended "$T/out/c.c.err" "$C_ERR"
    expect_missing "$T/unasked"
    [ -s "$T/locked" ] || test_failed "the writer never got its lock: $(cat "$T/writer.out")"
    (($(cat "$T/locked") > $(cat "$T/last"))) || test_failed "the writer got its lock while the run was reading"

    local kind
    for kind in "a text file" "an empty file" "a database without tables" "a database without DT_Suppression" \
        "a table without SP_Message" "a FIFO" "a directory"; do
        TEST "$kind as the baseline touches nothing"
        setup_baseline
        case $kind in
        "a text file") printf 'not a database\n' >"$SUP" ;;
        "an empty file") : >"$SUP" ;;
        "a database without tables") sqlite3 "$SUP" "CREATE TABLE x (a); DROP TABLE x; VACUUM;" ;;
        "a database without DT_Suppression") reg 1 T '$ROOTPATH/src/a.c' | make_sup "$SUP" && sqlite3 "$SUP" "DROP TABLE DT_Suppression" ;;
        "a table without SP_Message")
            sqlite3 "$SUP" "CREATE TABLE RF_FileReg (FR_Primary, FR_Ident, FR_Name);
                CREATE TABLE DT_Suppression (SP_FileReg, SP_State, SP_Line, SP_Column);" ;;
        "a FIFO") mkfifo "$SUP" ;;
        "a directory") mkdir "$SUP" ;;
        esac
        run_baseline
        expect_log_has "$T/stdout" "db file exists obtaining hash of sup file"
        case $kind in
        "a FIFO" | "a directory") expect_log_has "$T/stdout" "Error : unable to generate hash for $SUP" ;;
        *) expect_log_has "$T/stdout" "Hash :  $(md5sum "$SUP" | cut -d' ' -f1) $SUP" ;;
        esac
        expect_log_has "$T/stdout" "unable to open for read $SUP"
        expect_untouched
    done

    TEST "a device as the baseline touches nothing"
    setup_baseline
    SUP=/dev/null
    run_baseline
    expect_log_has "$T/stdout" "Error : unable to generate hash for /dev/null"
    expect_log_has "$T/stdout" "unable to open for read /dev/null"
    expect_untouched

    TEST "a baseline locked by a writer past the busy wait touches nothing"
    setup_baseline
    { reg 1 T '$ROOTPATH/src/a.c'; sup 1 0 3 1 30; } | make_sup "$SUP"
    mkfifo "$T/lock.in"
    sqlite3 "$SUP" <"$T/lock.in" >"$T/lock.out" 2>&1 &
    local locker=$!
    exec 7>"$T/lock.in"
    # The polls below hold a shared lock for a moment: the writer waits them out
    # rather than fail at once.
    printf '.timeout 5000\nBEGIN EXCLUSIVE;\n' >&7
    local tries=0
    while sqlite3 "$SUP" "SELECT count(*) FROM sqlite_master" >/dev/null 2>&1; do
        tries=$((tries + 1))
        [ "$tries" -lt 200 ] || test_failed "the writer never took its lock"
        sleep 0.01
    done
    run_baseline
    echo "ROLLBACK;" >&7
    exec 7>&-
    wait "$locker"
    expect_log_has "$T/stdout" "unable to open for read $SUP"
    expect_untouched
    # Once the writer is done the same baseline is used.
    run_baseline
    exp_section
    exp_sup "$A" 3 1 30
    expect_appended "$T/out/a.c.err" "$A_ERR"
}
