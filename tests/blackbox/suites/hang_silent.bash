# A diff that prints nothing and never ends is killed once both waits (for
# its first output, then for its end) have run out, and the file counts as
# failed.

# shellcheck source=signals.bash
. "$HERE/suites/signals.bash" || exit 2

SUITE_hang_silent() {
    TEST "a diff that hangs silently, deaf to every signal but SIGKILL: killed after both waits with its child, a failure"
    deaf_tool silent "sleep 300 & echo \$! >$T/sleep.pid; wait"
    run_hanging silent
}
