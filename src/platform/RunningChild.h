#pragma once

#include <sys/types.h>

// The one child process (the diff command) that may be running, kept where a
// fatal-signal handler can reach it so that no child outlives the program.
namespace platform {

// Records group as the process group of the running child; 0 forgets it.
void setRunningChildGroup(pid_t group) noexcept;

// Sends SIGKILL to the recorded process group, if any. Async-signal-safe:
// it reads one word and makes one system call.
void killRunningChildGroup() noexcept;

} // namespace platform
