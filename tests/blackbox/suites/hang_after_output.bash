# A diff that prints part of its output and then hangs is killed once the
# wait for its end (30 s) runs out, with what it started, and the file counts
# as failed.

# shellcheck source=signals.bash
. "$HERE/suites/signals.bash" || exit 2

SUITE_hang_after_output() {
    TEST "a diff that prints part of its output and hangs, deaf to every signal but SIGKILL: killed with its child, a failure"
    deaf_tool part "echo 2d1; sleep 300 & echo \$! >$T/sleep.pid; wait"
    run_hanging part
}
