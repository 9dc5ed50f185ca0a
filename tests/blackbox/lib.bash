# Helpers of the black-box suite: a fresh directory and environment per test,
# the real vantrel binary, baselines made with sqlite3, message files and
# expected bytes written from the message-file layout, diff scripts written
# on the fly.

# ---------------------------------------------------------------- reporting

green() { printf '\033[1;32m%s\033[0m\n' "$*"; }
red() { printf '\033[1;31m%s\033[0m\n' "$*"; }

test_failed() {
    echo
    red "FAILED"
    echo
    echo "Suite:   $CURRENT_SUITE"
    echo "Test:    $CURRENT_TEST"
    echo "Reason:  $*"
    echo "Dir:     $T (kept)"
    if [ -f "$T/stdout" ]; then echo "--- stdout"; head -c 4000 "$T/stdout"; fi
    if [ -f "$T/stderr" ]; then echo "--- stderr"; head -c 4000 "$T/stderr"; fi
    KEEP_ROOT=1
    exit 1
}

# skip <what is left out>: the current test cannot run here (no root, no
# strace, a file system without some feature): it says so and is counted as
# skipped, never as passed. The test itself leaves its body out.
skip() {
    printf '    skipped: %s\n' "$*"
    SKIPPED+=("$CURRENT_SUITE: $CURRENT_TEST: $*")
}

# ---------------------------------------------------------------- test frame

# TEST <description>: starts a test in a fresh directory with a fresh
# environment; the current directory is $T/work.
TEST() {
    CURRENT_TEST=$1
    TEST_NUMBER=$((TEST_NUMBER + 1))
    TESTS_STARTED=$((TESTS_STARTED + 1))
    T="$SUITE_ROOT/$TEST_NUMBER"
    mkdir -p "$T"/{bin,out,tmp,home,work,tools,cur/src,base/src}
    : >"$T/bin/zxc.cfg"
    reset_environment
    cd "$T/work" || test_failed "cannot enter $T/work"
    printf '  %s\n' "$CURRENT_TEST"
}

reset_environment() {
    local name
    for name in $(compgen -e); do
        case $name in
        ZXC* | ZXD* | ZXJ* | TMP | RCPATH | LANG | LANGUAGE | NO_LANG_CACHE | VORA_QTDIR | DUMMY_CODEC | UNICODEMAP_JP)
            unset "$name" ;;
        esac
    done
    export ZXCBIN="$T/bin" ZXCOUTPATH="$T/out" ZXCTEMPFILES="$T/tmp" HOME="$T/home" LC_ALL=C.UTF-8
}

# run_vantrel <args...>: runs "vantrel ZXC <args>"; stdout and stderr land in
# $T/stdout and $T/stderr, the exit code in $rc.
run_vantrel() {
    "$VANTREL" ZXC "$@" >"$T/stdout" 2>"$T/stderr"
    rc=$?
}

# sanitized: true for a build with AddressSanitizer, which reserves far
# more address space than any limit of a real machine's.
sanitized() {
    ldd "$VANTREL" 2>/dev/null | grep -q libasan
}

# run_vantrel_small <args...>: run_vantrel within 2 GB of address space
# (without the limit in a sanitized build).
run_vantrel_small() {
    (
        sanitized || ulimit -v 2000000
        exec "$VANTREL" ZXC "$@"
    ) >"$T/stdout" 2>"$T/stderr"
    rc=$?
}

# run_raw <args...>: the same without the product argument.
run_raw() {
    "$VANTREL" "$@" >"$T/stdout" 2>"$T/stderr"
    rc=$?
}

# wait_until <seconds> <command>...: runs the command again and again until
# it succeeds; false when the seconds pass first. For a state a test can see
# come about, in place of a pause that guesses how long it takes.
wait_until() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.05
    done
}

expect_rc() {
    [ "$rc" = "$1" ] || test_failed "exit code $rc, expected $1"
}

# expect_file <file> <expected text>: the file holds exactly the text.
expect_file() {
    local expected
    expected=$(mktemp "$T/expected.XXXXXX")
    printf '%s' "$2" >"$expected"
    cmp -s "$1" "$expected" || test_failed "$1 differs from the expected text:
$(diff "$expected" "$1" | head -40)"
}

expect_empty() {
    [ ! -s "$1" ] || test_failed "$1 is not empty"
}

expect_contains() {
    grep -qF -- "$2" "$1" || test_failed "$1 lacks: $2"
}

expect_not_contains() {
    ! grep -qF -- "$2" "$1" || test_failed "$1 holds: $2"
}

expect_missing() {
    [ ! -e "$1" ] || test_failed "$1 exists"
}

# log_of <file>: the log lines of file with each line's time replaced by "@",
# after checking that every line carries a time of the right form. Called
# with its output sent to a file, never at the head of a pipeline or inside
# $(...): a failure there would end only that subshell, not the test.
log_of() {
    local bad
    bad=$(grep -cvE $'^[0-9]{2}:[0-9]{2}:[0-9]{2}\\.[0-9]{3} [0-9]{2}/[0-9]{2}/[0-9]{4}\t : ' "$1")
    [ "$bad" = 0 ] || test_failed "$1 has $bad lines without a log time"
    sed -E $'s#^[0-9]{2}:[0-9]{2}:[0-9]{2}\\.[0-9]{3} [0-9]{2}/[0-9]{2}/[0-9]{4}\t : #@ #' "$1"
}

# expect_log_has <file> <line>: the masked log holds the whole line.
expect_log_has() {
    log_of "$1" >"$T/log.masked"
    grep -qxF -- "@ $2" "$T/log.masked" || test_failed "log $1 lacks the line: $2"
}

# ---------------------------------------------------------------- inode flags

# set_inode_flags <flags> <file>: chattr <flags> (such as +a) on the file,
# which clear_inode_flags takes off again; the runner calls that too however
# the suite ends, since a file left append-only or immutable cannot be
# removed, nor the directory it is in. False where the file system takes no
# inode flags.
FLAGGED_FILES=()
set_inode_flags() {
    chattr "$1" "$2" 2>/dev/null || return 1
    FLAGGED_FILES+=("$2")
}

clear_inode_flags() {
    local file
    for file in "${FLAGGED_FILES[@]}"; do
        chattr -a -i "$file" 2>/dev/null
    done
    FLAGGED_FILES=()
}

# mount_scratch <type> <dir> [<bytes>]: a file system of its own at dir (a
# full disk of that size, or a kind of file system the machine's disk is
# not), taken away again however the suite ends; false where none can be
# mounted. unmount_all takes every such one away.
MOUNTED=()
mount_scratch() {
    mount -t "$1" ${3:+-o size="$3"} "$1" "$2" 2>/dev/null || return 1
    MOUNTED+=("$2")
}

unmount_all() {
    local dir
    for dir in "${MOUNTED[@]}"; do
        umount "$dir" 2>/dev/null
    done
    MOUNTED=()
}

# ---------------------------------------------------------------- bytes

# le32 <n>: the hex of a 32-bit little-endian int.
le32() {
    local n=$1
    ((n < 0)) && n=$((n + 4294967296))
    printf '%02x%02x%02x%02x' $((n & 255)) $(((n >> 8) & 255)) $(((n >> 16) & 255)) $(((n >> 24) & 255))
}

# hexs <text>: the hex of the text's bytes.
hexs() {
    printf '%s' "$1" | od -An -tx1 -v | tr -d ' \n'
}

# cstr <text>: a counted string: its byte length, then its bytes.
cstr() {
    local LC_ALL=C
    le32 "${#1}"
    hexs "$1"
}

write_hex() {
    printf '%b' "$(printf '%s' "$2" | sed 's/../\\x&/g')" >"$1"
}

append_hex() {
    printf '%b' "$(printf '%s' "$2" | sed 's/../\\x&/g')" >>"$1"
}

file_hex() {
    od -An -tx1 -v "$1" | tr -d ' \n'
}

# A generation-3 message file: err_new <file>, then err_diag <file> <name>
# <line> <column> <message> per diagnostic. Each diagnostic stands in a
# section of its own, so every one carries its location and file name ids 0.
err_new() {
    write_hex "$1" "0093000000000000"
}

err_diag() {
    append_hex "$1" "0100000000""02""$(le32 0)$(le32 0)$(cstr "$2")$(cstr "$2")$(le32 "$3")$(le32 "$4")00$(le32 "$5")$(le32 0)$(le32 0)$(le32 0)"
}

# The section vantrel appends: exp_section starts it, exp_sup <name> <line>
# <column> <message> adds one record (each record's location is new; a file
# name is written in full the first time in the section), exp_hex gives it.
exp_section() {
    EXP="0100000000"
    EXP_LOC=0
    EXP_FILES=()
}

exp_sup() {
    local name=$1 id i file
    id=-1
    for i in "${!EXP_FILES[@]}"; do
        [ "${EXP_FILES[$i]}" = "$name" ] && id=$i
    done
    if [ "$id" = -1 ]; then
        id=${#EXP_FILES[@]}
        EXP_FILES+=("$name")
        file="$(le32 "$id")$(cstr "$name")$(cstr "$name")"
    else
        file="$(le32 "$id")"
    fi
    EXP+="0402$(le32 $EXP_LOC)$file$(le32 "$2")$(le32 "$3")00$(cstr BLSup)$(le32 1)$(cstr "$4")$(cstr "$4")04$(le32 $EXP_LOC)00"
    EXP_LOC=$((EXP_LOC + 1))
}

# expect_appended <file> <hex before>: file is the old bytes and the
# expected section.
expect_appended() {
    local got
    got=$(file_hex "$1")
    [ "$got" = "$2$EXP" ] || test_failed "$1 is not the old bytes and the expected section:
expected: $2$EXP
got:      $got"
}

expect_unchanged() {
    local got
    got=$(file_hex "$1")
    [ "$got" = "$2" ] || test_failed "$1 changed:
before: $2
after:  $got"
}

# ---------------------------------------------------------------- baselines

# make_sup <file>: a baseline database with the two tables, filled with the
# SQL on standard input.
make_sup() {
    {
        echo "CREATE TABLE RF_FileReg (FR_Primary INTEGER, FR_Ident TEXT, FR_Name TEXT);"
        echo "CREATE TABLE DT_Suppression (SP_FileReg INTEGER, SP_State INTEGER, SP_Line INTEGER, SP_Column INTEGER, SP_Message INTEGER);"
        cat
    } | sqlite3 "$1" || test_failed "sqlite3 failed on $1"
}

# sql_text <text>: the text as an SQL literal.
sql_text() {
    printf "'%s'" "${1//\'/\'\'}"
}

# reg <primary> <ident> <name>; sup <primary> <state> <line> <column> <message>
reg() {
    echo "INSERT INTO RF_FileReg VALUES ($1, $(sql_text "$2"), $(sql_text "$3"));"
}

sup() {
    echo "INSERT INTO DT_Suppression VALUES ($1, $2, $3, $4, $5);"
}

# ---------------------------------------------------------------- sources

# lines <prefix> <n>: n lines "<prefix>1" to "<prefix>n".
lines() {
    local i
    for ((i = 1; i <= $2; i++)); do echo "$1$i"; done
}

# tool <name> <body>: an executable shell script $T/tools/<name>.
tool() {
    printf '#!/bin/sh\n%s\n' "$2" >"$T/tools/$1"
    chmod +x "$T/tools/$1"
}

# The diff command that compares the baselined copy under $T/base with the
# current file, as a user of GNU diff would give it.
gnu_diff() {
    printf '%s' "diff $T/base/%BB %BF"
}
