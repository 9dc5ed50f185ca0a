# "patch.xml" that cannot be used as a cache: one declaring an entity, a FIFO,
# a link to a device node. Each is logged as a file that cannot be used; the
# run goes on with an empty cache, diffs afresh and appends as usual. A link
# to a regular file is read as the file. Whatever a run saves, the next run
# replays.

# setup_slow: one source whose line 2 was deleted, so the suppression on
# line 4 moves to 3.
# shellcheck source=signals.bash
. "$HERE/suites/signals.bash" || exit 2

WORKLOAD=$(dirname "$VANTREL")/vantrel_workload

setup_cache() {
    setup_slow
    tool countdiff "echo \"\$2\" >>$T/diffs; exec diff \"\$@\""
    COUNTDIFF="$T/tools/countdiff $T/base/%BB %BF"
}

# The run of every test, bounded so that a run that blocks fails the test.
run_cache() {
    timeout 60 "$VANTREL" ZXC "$@" -sop "$T/cur" -sf "$SUP" -sdt "$COUNTDIFF" -po baseline::log=- "$A" \
        >"$T/stdout" 2>"$T/stderr"
    rc=$?
}

# run_cache_measured <file> <options>...: run_cache, with the run's peak
# resident memory in KiB written to the file. A sanitizer build keeps no
# freed memory in quarantine, so that its peak is that of what it holds.
run_cache_measured() {
    local file=$1
    shift
    ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}quarantine_size_mb=0" \
        timeout 60 "$WORKLOAD" peak-memory "$file" "$VANTREL" ZXC "$@" -sop "$T/cur" -sf "$SUP" -sdt "$COUNTDIFF" \
        -po baseline::log=- "$A" >"$T/stdout" 2>"$T/stderr"
    rc=$?
}

# entity_bomb <entity|plain>: a patch.xml whose one entry is 300,000
# references to an entity of 4,000 bytes; or, plain, the same file but for
# the declaration, for which blanks of its length stand, and the
# references, for which text of their length stands.
entity_bomb() {
    local declaration references
    if [ "$1" = entity ]; then
        declaration="<!ENTITY e \"$(head -c 4000 /dev/zero | tr '\0' x)\">"
        references='&e;'
    else
        declaration=$(head -c 4016 /dev/zero | tr '\0' ' ')
        references='x;x'
    fi
    head_declaring "$declaration"
    printf '<PATCHFILE sname="" sdate=""><FILE name="f"><PATCH>'
    yes "$references" | head -n 300000 | tr -d '\n'
    printf '</PATCH></FILE></PATCHFILE>\n'
}

# The run diffed a.c once and appended its moved suppression.
expect_diffed_and_appended() {
    expect_rc 0
    [ "$(wc -l <"$T/diffs" 2>/dev/null)" = 1 ] || test_failed "expected one diff"
    exp_section
    exp_sup "$A" 3 1 14
    expect_appended "$T/out/a.c.err" "$A_ERR"
}

md5_of() {
    md5sum "$1" | cut -d' ' -f1
}

# The layout's head, as the writer puts it, with extra declarations before
# the end of the internal subset.
head_declaring() {
    printf '%s\n' '<?xml version="1.0" encoding="UTF-8"?>' '' '<!DOCTYPE PATCHFILE [' \
        '<!ELEMENT PATCHFILE (FILE*)>' '<!ELEMENT FILE  (DATE*, PATCH*)>' '<!ELEMENT DATE  (#PCDATA)>' \
        '<!ELEMENT PATCH (#PCDATA)>' '<!ATTLIST PATCHFILE sname CDATA #REQUIRED>' \
        '<!ATTLIST PATCHFILE sdate CDATA #REQUIRED>' '<!ATTLIST FILE name CDATA #REQUIRED>'
    printf '%s' "$1"
    printf '%s\n' ']>' ''
}

# The file the run writes: the stamp and a.c's entry.
expect_cache_written() {
    local text
    [ -f "$T/out/patch.xml" ] && [ ! -L "$T/out/patch.xml" ] || test_failed "patch.xml is not a regular file"
    text=$(
        head_declaring ""
        printf '<PATCHFILE sname="%s" sdate="%s">\n' "$SUP" "$(md5_of "$SUP")"
        printf '   <FILE name="%s">\n      <DATE>%s</DATE>\n      <PATCH>2d1</PATCH>\n   </FILE>\n' "$A" "$(md5_of "$A")"
        printf '</PATCHFILE>\n\n'
        printf x
    )
    expect_file "$T/out/patch.xml" "${text%x}"
}

# round_trip_file <name under src> <diff output>: a file whose diff (the
# tool cat) prints the given output, registered with a suppression on line 4
# and named by the diagnostics of all.c.err.
round_trip_file() {
    local name="$T/cur/src/$1" n=$((${#RT_NAMES[@]} + 1))
    mkdir -p "$(dirname "$name")"
    printf '%s\n' "$2" >"$name"
    RT_NAMES+=("$name")
    err_diag "$T/out/all.c.err" "$name" 1 1 1
    echo "INSERT INTO RF_FileReg VALUES ($n, 'T', CAST(x'$(hexs "\$ROOTPATH/src/$1")' AS TEXT));" >>"$T/rows.sql"
    sup "$n" 0 4 1 "$n" >>"$T/rows.sql"
}

SUITE_patch_cache() {
    TEST "names and change lines of every kind: the next run replays every entry saved, and appends the same"
    setup_cache
    err_new "$T/out/all.c.err"
    : >"$T/all.c"
    RT_NAMES=()
    local equals
    equals=$(printf '=%.0s' $(seq 250))
    round_trip_file "n&<>\"'.c" 1a2
    round_trip_file $'tab\t.c' 1a2
    round_trip_file $'lf\n.c' 1a2
    round_trip_file $'cr\r.c' 1a2
    round_trip_file "$equals/$equals/$equals/$equals/$equals/$equals/$equals/$equals/e.c" 1a2
    round_trip_file $'\xc3\xa4.c' 1a2
    round_trip_file $'\xff.c' 1a2
    round_trip_file line-markup.c "1a2 &\"'"
    round_trip_file line-tab.c $'1a2\tx'
    round_trip_file line-cr.c $'1a2\rx'
    round_trip_file line-equals.c "1a2 $equals$equals$equals$equals$equals$equals$equals$equals"
    round_trip_file line-utf8.c $'1a2 \xc3\xa4'
    round_trip_file line-noutf8.c $'1a2 \xff'
    round_trip_file line-long.c "1a2$(printf '%65534s' '')"
    SUP="$T/round.sup"
    make_sup "$SUP" <"$T/rows.sql"
    tool catdiff "printf '%s\\0' \"\$1\" >>$T/diffs; exec cat \"\$1\""
    local before
    before=$(file_hex "$T/out/all.c.err")
    run_vantrel -sop "$T/cur" -sf "$SUP" -sdt "$T/tools/catdiff %BF" -po baseline::log=- "$T/all.c"
    expect_rc 0
    expect_empty "$T/stderr"
    # A name holding a line end breaks its log lines: the log is searched as text.
    expect_contains "$T/stdout" "ERROR : tandor output line too long"
    local first
    first=$(file_hex "$T/out/all.c.err")
    [ "${first#"$before"}" != "$first" ] && [ "$first" != "$before" ] || test_failed "the first run appended nothing"
    # Every file but the one whose diff failed moved from line 4 to 5.
    [ "$(grep -c 'BLSup' "$T/out/all.c.err")" = 14 ] || test_failed "not every suppression appended"

    rm "$T/diffs"
    run_vantrel -sop "$T/cur" -sf "$SUP" -sdt "$T/tools/catdiff %BF" -po baseline::log=- "$T/all.c"
    expect_rc 0
    expect_not_contains "$T/stdout" "unable to open patch file"
    # Only what patch.xml cannot hold exactly, and the failed diff, ran again.
    printf '%s\0' "$T/cur/src/"$'\xff.c' "$T/cur/src/line-noutf8.c" "$T/cur/src/line-long.c" | sort -z >"$T/expected.diffs"
    sort -z "$T/diffs" | cmp -s - "$T/expected.diffs" || test_failed "the second run diffed: $(tr '\0' ' ' <"$T/diffs")"
    [ "$(file_hex "$T/out/all.c.err")" = "$first${first#"$before"}" ] ||
        test_failed "the second run appended other records than the first"


    local saved
    for saved in "the file as baselined|4" "two lines put first|5"; do
        TEST "a file saved while its diff runs (${saved%|*}): no entry for it, and after an undo the next run diffs it again"
        setup_cache
        cp "$A" "$T/v1"
        if [ "${saved%|*}" = "the file as baselined" ]; then
            cp "$T/base/src/a.c" "$T/v2"
        else
            { echo new1; echo new2; cat "$A"; } >"$T/v2"
        fi
        tool savingdiff "if [ -e $T/save ]; then rm $T/save; cp $T/v2 \"\$2\"; fi; echo \"\$2\" >>$T/diffs; exec diff \"\$@\""
        : >"$T/save"
        run_vantrel -sop "$T/cur" -sf "$SUP" -sdt "$T/tools/savingdiff $T/base/%BB %BF" "$A"
        expect_rc 0
        exp_section
        exp_sup "$A" "${saved#*|}" 1 14
        expect_appended "$T/out/a.c.err" "$A_ERR"
        expect_not_contains "$T/out/patch.xml" "<DATE>$(md5_of "$T/v1")</DATE>"
        # Undone: the file is again the one digested at first.
        cp "$T/v1" "$A"
        write_hex "$T/out/a.c.err" "$A_ERR"
        : >"$T/diffs"
        run_vantrel -sop "$T/cur" -sf "$SUP" -sdt "$T/tools/savingdiff $T/base/%BB %BF" "$A"
        expect_diffed_and_appended
    done

    TEST "an entity declared: the file is not used, not even its stamp; logged, diffed afresh, rewritten"
    setup_cache
    # Were it used, its stamp and a.c's digest would let the entity's change
    # command (a line inserted after line 1) move the suppression to line 5
    # without a diff.
    {
        head_declaring '<!ENTITY e "1a2">'
        printf '<PATCHFILE sname="%s" sdate="%s">\n' "$SUP" "$(md5_of "$SUP")"
        printf '   <FILE name="%s">\n      <DATE>%s</DATE>\n      <PATCH>&e;</PATCH>\n   </FILE>\n' "$A" "$(md5_of "$A")"
        printf '</PATCHFILE>\n\n'
    } >"$T/out/patch.xml"
    run_cache
    expect_log_has "$T/stdout" "Warning : unable to open patch file"
    expect_diffed_and_appended
    expect_empty "$T/stderr"
    expect_cache_written

    TEST "an entity that would expand to gigabytes: not used, the run ends normally, and it costs no more memory than a plain file of its size"
    setup_cache
    entity_bomb entity >"$T/out/patch.xml"
    # The small memory limit keeps an expansion from taking the machine's.
    run_cache_measured "$T/entity.rss" -debug=debugVirtualMemoryLimit
    expect_log_has "$T/stdout" "Warning : unable to open patch file"
    expect_diffed_and_appended
    expect_empty "$T/stderr"
    expect_cache_written
    # The plain file is read, its one entry held and saved again: more work
    # than a file refused unparsed.
    entity_bomb plain >"$T/out/patch.xml"
    run_cache_measured "$T/plain.rss" -debug=debugVirtualMemoryLimit
    expect_rc 0
    expect_not_contains "$T/stdout" "unable to open patch file"
    (($(cat "$T/entity.rss") <= $(cat "$T/plain.rss"))) ||
        test_failed "the file with the entity took $(cat "$T/entity.rss") KiB, the plain one $(cat "$T/plain.rss") KiB"

    TEST "a FIFO: not opened, the run is not blocked"
    setup_cache
    mkfifo "$T/out/patch.xml"
    run_cache
    [ "$rc" != 124 ] || test_failed "the run blocked on the FIFO"
    expect_log_has "$T/stdout" "Warning : unable to open patch file"
    expect_diffed_and_appended

    TEST "a link to a device node: not read"
    if [ "$(id -u)" != 0 ]; then
        skip "making a device node needs root"
    else
        setup_cache
        # A node of its own, so that no save can ever touch the system's.
        mknod "$T/node" c 1 3
        ln -s "$T/node" "$T/out/patch.xml"
        run_cache
        expect_log_has "$T/stdout" "Warning : unable to open patch file"
        expect_diffed_and_appended
    fi

    TEST "a link to a regular file: read as the file, no diff on the warm run"
    setup_cache
    run_cache
    expect_diffed_and_appended
    mv "$T/out/patch.xml" "$T/real.xml"
    ln -s "$T/real.xml" "$T/out/patch.xml"
    rm -f "$T/diffs"
    run_cache
    expect_rc 0
    expect_missing "$T/diffs"
    expect_not_contains "$T/stdout" "unable to open patch file"
    exp_section
    exp_sup "$A" 3 1 14
    expect_appended "$T/out/a.c.err" "$A_ERR$EXP"
    [ -L "$T/out/patch.xml" ] || test_failed "the link was replaced"
}
