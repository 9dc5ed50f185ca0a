#include "platform/BlockedSignals.h"

#include <initializer_list>

namespace platform {

BlockedSignals::BlockedSignals() noexcept
{
    sigset_t held;
    sigemptyset(&held);
    for (int signo : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
        sigaddset(&held, signo);
    sigemptyset(&previous_);
    ::pthread_sigmask(SIG_BLOCK, &held, &previous_);
}

BlockedSignals::~BlockedSignals()
{
    ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

} // namespace platform
