#include "platform/RunningChild.h"

#include <csignal>
#include <unistd.h>

namespace platform {

namespace {
volatile std::sig_atomic_t runningGroup = 0;
}

void setRunningChildGroup(pid_t group) noexcept
{
    runningGroup = static_cast<std::sig_atomic_t>(group);
}

void killRunningChildGroup() noexcept
{
    const pid_t group = static_cast<pid_t>(runningGroup);
    if (group > 0)
        ::kill(-group, SIGKILL);
}

} // namespace platform
