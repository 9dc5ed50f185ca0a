#!/usr/bin/env bash
# The black-box suite: runs the real vantrel binary in temporary directories.
#   run.sh <vantrel binary> <suite>...
# Each suite is suites/<name>.bash, defining SUITE_<name>. A failing test
# stops its suite and keeps its directory for inspection. The last line
# counts the tests that passed and those skipped, each skipped one named
# with what it left out; where every test was skipped it begins "SKIPPED".
set -u
# The last command of a pipeline runs in this shell, so that a helper fed by
# a pipe ("... | make_sup <file>") ends the test when it fails.
shopt -s lastpipe

if [ $# -lt 2 ]; then
    echo "usage: $0 <vantrel binary> <suite>..." >&2
    exit 2
fi
VANTREL=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
shift
HERE=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=lib.bash
. "$HERE/lib.bash"

for tool in sqlite3 diff od cmp; do
    command -v "$tool" >/dev/null || { echo "missing $tool" >&2; exit 2; }
done

ROOT=$(mktemp -d "${TMPDIR:-/tmp}/vantrel-blackbox.XXXXXX")
KEEP_ROOT=0
trap 'clear_inode_flags; unmount_all; [ "$KEEP_ROOT" = 1 ] || rm -rf "$ROOT"' EXIT
trap 'exit 129' HUP
trap 'exit 143' TERM

TESTS_STARTED=0
SKIPPED=()
for suite in "$@"; do
    CURRENT_SUITE=$suite
    SUITE_ROOT="$ROOT/$suite"
    TEST_NUMBER=0
    mkdir -p "$SUITE_ROOT"
    # A suite that cannot be read fails, rather than passing with no test.
    # shellcheck disable=SC1090
    . "$HERE/suites/$suite.bash" || exit 2
    declare -F "SUITE_$suite" >/dev/null || { echo "suite $suite defines no SUITE_$suite" >&2; exit 2; }
    echo "Running suite $suite"
    "SUITE_$suite"
    cd "$ROOT" || exit 1
done
count_tests() {
    if (($1 == 1)); then echo "1 test"; else echo "$1 tests"; fi
}
passed=$((TESTS_STARTED - ${#SKIPPED[@]}))
if ((${#SKIPPED[@]} == 0)); then
    green "PASSED ($(count_tests $passed))"
else
    printf '  skipped: %s\n' "${SKIPPED[@]}"
    if ((passed == 0)); then
        green "SKIPPED (all $(count_tests ${#SKIPPED[@]}))"
    else
        green "PASSED ($(count_tests $passed), ${#SKIPPED[@]} skipped)"
    fi
fi
