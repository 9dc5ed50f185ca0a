# However many message files a run replaces, it holds a few descriptors:
# 10,000 files under an open-file limit of 32, with their pages being
# written back all the while, all gain their sections.

# shellcheck source=sections.bash
. "$HERE/suites/sections.bash" || exit 2

SUITE_many_files() {
    local i
    TEST "10,000 message files whose sections are replaced, under an open-file limit of 32"
    SUP="$T/baseline.sup"
    reg 1 T '$ROOTPATH/src/none.c' | make_sup "$SUP"
    # Each message file's last page is full but for two bytes: every section
    # spans pages, every file is replaced.
    local n=10000 sources=() names=()
    err_new "$T/first.err"
    fill_page "$T/first.err" 2
    for ((i = 1; i <= n; i++)); do
        names+=("$T/out/f$i.c.err")
        sources+=("$T/cur/src/f$i.c")
    done
    for ((i = 0; i < n; i += 500)); do
        tee "${names[@]:i:500}" <"$T/first.err" >/dev/null
    done
    # Pages being written back make the last close of a replaced file wait:
    # a file system synced all the while has many.
    local syncers=()
    for i in 1 2; do
        (while [ ! -e "$T/stop" ]; do sync -f "$T/first.err"; done) &
        syncers+=($!)
    done
    (
        ulimit -n 32
        exec "$VANTREL" ZXC -sop "$T/cur" -sf "$SUP" -sdt "$(gnu_diff)" "${sources[@]}"
    ) >"$T/stdout" 2>"$T/stderr"
    rc=$?
    : >"$T/stop"
    wait "${syncers[@]}"
    expect_rc 0
    exp_section
    for i in 1 $((n / 2)) $n; do
        expect_appended "$T/out/f$i.c.err" "$(file_hex "$T/first.err")"
    done
    [ "$(find "$T/out" -name '*.err' -size -$(($(stat -c %s "$T/first.err") + 5))c | wc -l)" = 0 ] ||
        test_failed "some message files lack their section"
    [ "$(ls -A "$T/out" | wc -l)" = "$n" ] || test_failed "$(ls -A "$T/out" | grep -vc '\.err$') other files left"
}
