# Message files and "patch.xml" are replaced whole, and only where that is
# sound: links stay links (a message file behind one gains its section in
# place, a patch.xml behind one is not saved), modes stay, runs at once all
# land their sections, a directory that takes no new file gets the section
# in place, and a cache that cannot be saved is logged and left as it was.

# One registered file a.c with one suppression and its message file.
setup_replace() {
    lines a 3 >"$T/cur/src/a.c"
    lines a 3 >"$T/base/src/a.c"
    SUP="$T/baseline.sup"
    { reg 1 T '$ROOTPATH/src/a.c'; sup 1 0 2 1 77; } | make_sup "$SUP"
    err_new "$T/out/a.c.err"
    err_diag "$T/out/a.c.err" "$T/cur/src/a.c" 1 1 1
    A_ERR=$(file_hex "$T/out/a.c.err")
    exp_section
    exp_sup "$T/cur/src/a.c" 2 1 77
}

run_a() {
    run_a_as
}

# run_a_as <command prefix>...: the same run through the prefix (setpriv).
run_a_as() {
    "$@" "$VANTREL" ZXC -sop "$T/cur" -sf "$SUP" -sdt "$(gnu_diff)" -po baseline::log=- "$T/cur/src/a.c" \
        >"$T/stdout" 2>"$T/stderr"
    rc=$?
}

# expect_entries <dir> <name>...: the directory holds exactly these names.
expect_entries() {
    local dir=$1 got
    shift
    got=$(ls -A "$dir" | tr '\n' ' ')
    [ "$got" = "$* " ] || test_failed "$dir holds: $got; expected: $*"
}

SUITE_replace() {
    TEST "a message file behind a link: the link stays, its target gains the section in place"
    setup_replace
    mkdir "$T/store"
    mv "$T/out/a.c.err" "$T/store/kept.err"
    chmod 640 "$T/store/kept.err"
    ln -s ../store/kept.err "$T/out/a.c.err"
    run_a
    expect_rc 0
    [ "$(readlink "$T/out/a.c.err")" = ../store/kept.err ] || test_failed "the link changed"
    expect_appended "$T/store/kept.err" "$A_ERR"
    [ "$(stat -c %a "$T/store/kept.err")" = 640 ] || test_failed "mode $(stat -c %a "$T/store/kept.err")"
    expect_entries "$T/store" kept.err
    expect_entries "$T/out" a.c.err patch.xml

    TEST "three runs at once on one output directory: three whole sections"
    setup_replace
    local i pids=()
    for i in 1 2 3; do
        "$VANTREL" ZXC -sop "$T/cur" -sf "$SUP" -sdt "$(gnu_diff)" "$T/cur/src/a.c" >"$T/stdout.$i" 2>&1 &
        pids+=($!)
    done
    for i in "${pids[@]}"; do
        wait "$i" || test_failed "a run failed: $(cat "$T"/stdout.*)"
    done
    [ "$(file_hex "$T/out/a.c.err")" = "$A_ERR$EXP$EXP$EXP" ] || test_failed "not the original and three sections"
    expect_entries "$T/out" a.c.err patch.xml

    local rows=(
        "a directory|mkdir \"\$T/out/patch.xml\"|-d"
        "a link to nothing|ln -s missing.xml \"\$T/out/patch.xml\"|-L"
    )
    local row name make kind
    for row in "${rows[@]}"; do
        IFS='|' read -r name make kind <<<"$row"
        TEST "patch.xml is $name: not replaced, one log line, exit 0"
        setup_replace
        eval "$make"
        run_a
        expect_rc 0
        expect_appended "$T/out/a.c.err" "$A_ERR"
        expect_log_has "$T/stdout" "Error : unable to write patch file $T/out/patch.xml"
        [ "$(grep -c 'unable to write patch file' "$T/stdout")" = 1 ] || test_failed "not one log line"
        [ "$kind" "$T/out/patch.xml" ] || test_failed "patch.xml is no longer $name"
    done

    TEST "patch.xml behind a link to a regular file: never saved through; logged, the link and its target kept"
    setup_replace
    write_hex "$T/cache.xml" "$(hexs "another cache")"
    ln -s ../cache.xml "$T/out/patch.xml"
    run_a
    expect_rc 0
    expect_appended "$T/out/a.c.err" "$A_ERR"
    [ "$(readlink "$T/out/patch.xml")" = ../cache.xml ] || test_failed "the link changed"
    expect_file "$T/cache.xml" "another cache"
    expect_log_has "$T/stdout" "Error : unable to write patch file $T/out/patch.xml"

    TEST "another user's patch.xml link in a sticky directory to a root-only file: neither read nor saved"
    if [ "$(id -u)" != 0 ] || [ "$(cat /proc/sys/fs/protected_symlinks 2>/dev/null)" != 1 ]; then
        skip "needs root and fs.protected_symlinks = 1"
    else
        setup_replace
        write_hex "$T/root-only.xml" "$(hexs "root's own")"
        chmod 600 "$T/root-only.xml"
        chmod 1777 "$T/out"
        ln -s ../root-only.xml "$T/out/patch.xml"
        chown -h 65534:65534 "$T/out/patch.xml"
        run_a
        chmod 755 "$T/out"
        expect_rc 0
        expect_appended "$T/out/a.c.err" "$A_ERR"
        expect_log_has "$T/stdout" "Warning : unable to open patch file"
        expect_log_has "$T/stdout" "Error : unable to write patch file $T/out/patch.xml"
        expect_file "$T/root-only.xml" "root's own"
        [ -L "$T/out/patch.xml" ] || test_failed "the link was replaced"
    fi

    TEST "an output directory that takes no new file: the section in place, patch.xml kept, exit 0"
    setup_replace
    write_hex "$T/out/patch.xml" "$(hexs "old cache")"
    local as=()
    if [ "$(id -u)" = 0 ]; then
        # Root creates files anywhere: the run goes as another user, who may
        # write the files but not the directory.
        chmod 755 "$ROOT" "$SUITE_ROOT" "$T"
        chmod 777 "$T/tmp"
        chown 65534:65534 "$T/out/a.c.err" "$T/out/patch.xml"
        as=(setpriv --reuid=65534 --regid=65534 --clear-groups)
    fi
    chmod 555 "$T/out"
    local inode
    inode=$(stat -c %i "$T/out/a.c.err")
    run_a_as "${as[@]}"
    chmod 755 "$T/out"
    expect_rc 0
    expect_appended "$T/out/a.c.err" "$A_ERR"
    [ "$(stat -c %i "$T/out/a.c.err")" = "$inode" ] || test_failed "the message file was replaced"
    expect_log_has "$T/stdout" "Error : unable to write patch file $T/out/patch.xml"
    expect_file "$T/out/patch.xml" "old cache"
    expect_entries "$T/out" a.c.err patch.xml
}
