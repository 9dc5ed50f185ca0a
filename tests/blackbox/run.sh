#!/usr/bin/env bash
# The black-box suite: runs the real vantrel binary in temporary directories.
#   run.sh <vantrel binary> <suite>...
# Each suite is suites/<name>.bash, defining SUITE_<name>. A failing test
# stops its suite and keeps its directory for inspection.
set -u

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
trap '[ "$KEEP_ROOT" = 1 ] || rm -rf "$ROOT"' EXIT

for suite in "$@"; do
    CURRENT_SUITE=$suite
    SUITE_ROOT="$ROOT/$suite"
    TEST_NUMBER=0
    mkdir -p "$SUITE_ROOT"
    # shellcheck disable=SC1090
    . "$HERE/suites/$suite.bash"
    echo "Running suite $suite"
    "SUITE_$suite"
    cd "$ROOT" || exit 1
done
green "PASSED"
