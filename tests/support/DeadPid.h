#pragma once

// A process number no process holds, for tests of what is left by runs
// that have ended.

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

// The pid of a process that has ended; -1 when none could be started.
inline pid_t deadPid()
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    if (child > 0)
        ::waitpid(child, nullptr, 0);
    return child;
}
