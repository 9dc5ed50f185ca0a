# A run acts only where the owner of the output directory could act
# itself: root's run over a directory that another user owns follows that
# user's links only to that user's files, reaches every file of the
# directory through one lookup of it, and needs no more descriptors however
# many output directories it has. Tests that need root are counted as
# skipped without it.

# shellcheck source=writes.bash
. "$HERE/suites/writes.bash" || exit 2

# The owner of the output directory in these tests, who is not root.
OWNER=4242

# give_out_to_owner: the output directory and everything in it are the
# owner's.
give_out_to_owner() {
    chown -R "$OWNER:$OWNER" "$T/out"
}

# plant <link> <target> [<owner>]: a symbolic link of the owner (by default
# the output directory's) at link.
plant() {
    ln -sfn "$2" "$1"
    chown -h "${3:-$OWNER}:${3:-$OWNER}" "$1"
}

# secret_err <file>: a message file of another project, root's alone.
secret_err() {
    mkdir -p "$(dirname "$1")"
    err_new "$1"
    err_diag "$1" "/root/project/secret.c" 7 1 1
    chmod 600 "$1"
}

# run_default_baseline: run_logged without -sf: the baseline is the output
# directory's baseline.sup.
run_default_baseline() {
    "$VANTREL" ZXC -sop "$T/cur" -sdt "$(gnu_diff)" -po "baseline::log=$T/log.txt" "$T/cur/src/a.c" \
        >"$T/stdout" 2>"$T/stderr"
    rc=$?
}

SUITE_trust() {
    local row what owner target expected

    # <what>|<owner of the link>|<whose file it leads to>|<what becomes of it>
    local rows=(
        "the owner's link to root's message file of another project|$OWNER|secret|refused"
        "the owner's link to the owner's own message file|$OWNER|$OWNER|appended"
        "root's link to root's message file|0|0|appended"
    )
    for row in "${rows[@]}"; do
        IFS='|' read -r what owner target expected <<<"$row"
        TEST "a message file that is $what: $expected"
        if [ "$(id -u)" != 0 ]; then
            skip "needs root to run over another user's directory"
            continue
        fi
        setup_replace
        mkdir "$T/elsewhere"
        if [ "$target" = secret ]; then
            secret_err "$T/elsewhere/a.c.err"
        else
            cp "$T/out/a.c.err" "$T/elsewhere/a.c.err"
            chown "$target:$target" "$T/elsewhere/a.c.err"
        fi
        local before
        before=$(file_hex "$T/elsewhere/a.c.err")
        give_out_to_owner
        plant "$T/out/a.c.err" ../elsewhere/a.c.err "$owner"
        run_logged
        if [ "$expected" = refused ]; then
            expect_rc 18
            expect_unchanged "$T/elsewhere/a.c.err" "$before"
            expect_log_has "$T/log.txt" "Error : section not appended to $T/out/a.c.err"
            expect_log_has "$T/log.txt" "Reason : a symbolic link leads to it that its owner may not follow there"
            expect_not_contains "$T/log.txt" "/root/project/secret.c"
            [ "$(stat -c %a "$T/elsewhere/a.c.err")" = 600 ] || test_failed "the target's mode changed"
        else
            expect_rc 0
            expect_appended "$T/elsewhere/a.c.err" "$before"
        fi
    done

    TEST "the default baseline is the owner's link to root's baseline: not opened, no digest of it logged, nothing touched"
    if [ "$(id -u)" != 0 ]; then
        skip "needs root to run over another user's directory"
    else
        setup_replace
        chmod 600 "$SUP"
        give_out_to_owner
        plant "$T/out/baseline.sup" "$SUP"
        run_default_baseline
        expect_rc 0
        expect_unchanged "$T/out/a.c.err" "$A_ERR"
        expect_log_has "$T/log.txt" "unable to open for read $T/out/baseline.sup"
        expect_log_has "$T/log.txt" "Reason : a symbolic link leads to it that its owner may not follow there"
        expect_not_contains "$T/log.txt" "$(md5sum <"$SUP" | cut -c1-32)"
        expect_missing "$T/out/patch.xml"
    fi

    TEST "the default baseline's -wal is the owner's link to a file of root's: no digest of it logged, nothing touched"
    if [ "$(id -u)" != 0 ]; then
        skip "needs root to run over another user's directory"
    else
        setup_replace
        mv "$SUP" "$T/out/baseline.sup"
        write_hex "$T/secret" "$(hexs "root only")"
        chmod 600 "$T/secret"
        give_out_to_owner
        plant "$T/out/baseline.sup-wal" "$T/secret"
        run_default_baseline
        expect_rc 0
        expect_log_has "$T/log.txt" "Error : unable to generate hash for $T/out/baseline.sup-wal"
        expect_not_contains "$T/log.txt" "$(md5sum <"$T/secret" | cut -c1-32)"
        expect_unchanged "$T/out/a.c.err" "$A_ERR"
        expect_file "$T/secret" "root only"
    fi

    TEST "-op link/.. is one directory: message file, patch.xml, the default baseline and the log all in the one its text folds to"
    setup_replace
    mkdir -p "$T/elsewhere/sub"
    cp "$T/out/a.c.err" "$T/work/a.c.err"
    mv "$SUP" "$T/work/baseline.sup"
    ln -s ../elsewhere/sub "$T/work/link"
    # Where the kernel finds link/..: another baseline, another message file.
    cp "$T/out/a.c.err" "$T/elsewhere/a.c.err"
    { reg 1 T '$ROOTPATH/src/a.c'; sup 1 0 3 1 88; } | make_sup "$T/elsewhere/baseline.sup"
    run_vantrel -op link/.. -sop "$T/cur" -sdt "$(gnu_diff)" -po baseline::log=run.log "$T/cur/src/a.c"
    expect_rc 0
    expect_appended "$T/work/a.c.err" "$A_ERR"
    expect_unchanged "$T/elsewhere/a.c.err" "$A_ERR"
    expect_contains "$T/work/patch.xml" "<PATCHFILE sname="
    expect_log_has "$T/work/run.log" "Hash :  $(md5sum <"$T/work/baseline.sup" | cut -c1-32) link/../baseline.sup"
    expect_missing "$T/elsewhere/patch.xml"
    expect_missing "$T/elsewhere/run.log"

    TEST "60 output directories with 32 descriptors: every message file gains its section"
    setup_replace
    local i args=()
    for ((i = 1; i <= 60; i++)); do
        mkdir "$T/out$i"
        cp "$T/out/a.c.err" "$T/out$i/f$i.c.err"
        lines a 3 >"$T/cur/src/f$i.c"
        args+=(-op "$T/out$i" "$T/cur/src/f$i.c")
    done
    (
        ulimit -n 32
        exec "$VANTREL" ZXC -sop "$T/cur" -sf "$SUP" -sdt "$(gnu_diff)" -po "baseline::log=$T/log.txt" "${args[@]}"
    ) >"$T/stdout" 2>"$T/stderr"
    rc=$?
    expect_rc 0
    for ((i = 1; i <= 60; i++)); do
        expect_appended "$T/out$i/f$i.c.err" "$A_ERR"
    done
    expect_not_contains "$T/log.txt" "failure reading error file"

    TEST "no descriptor left is the run's own error, never a message file left unread with exit 0"
    if sanitized; then
        # UndefinedBehaviorSanitizer looks at an object's type through a
        # pipe of its own: with no descriptor left it reports every such
        # object as of the wrong type and ends the run.
        skip "the sanitizer's own checks need descriptors"
    else
        setup_replace
        cp "$T/out/a.c.err" "$T/a.c.err.orig"
        # From the descriptors the run starts with to those it needs: every
        # open of the run fails in one of these runs.
        local inherited more
        inherited=$(ls /proc/self/fd | wc -l)
        for ((more = 1; more <= 12; more++)); do
            (
                ulimit -n $((inherited + more))
                exec "$VANTREL" ZXC -sop "$T/cur" -sf "$SUP" -sdt "$(gnu_diff)" -po "baseline::log=$T/log.txt" \
                    "$T/cur/src/a.c"
            ) >"$T/stdout" 2>"$T/stderr"
            rc=$?
            if [ "$rc" = 0 ]; then
                expect_appended "$T/out/a.c.err" "$A_ERR"
            else
                expect_rc 18
                expect_unchanged "$T/out/a.c.err" "$A_ERR"
                grep -qF "Too many open files" "$T/log.txt" "$T/stderr" || test_failed "no word of the descriptors"
            fi
            cp "$T/a.c.err.orig" "$T/out/a.c.err"
        done
    fi
}
