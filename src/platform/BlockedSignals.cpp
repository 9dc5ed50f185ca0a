#include "platform/BlockedSignals.h"

namespace platform {

BlockedSignals::BlockedSignals() noexcept
{
    // A signal whose default action ends the process (SIGUSR1, SIGALRM,
    // SIGXCPU, a real-time signal, ...) would stop a write between two pages
    // as surely as the four the program handles.
    sigset_t held;
    sigfillset(&held);
    sigemptyset(&previous_);
    ::pthread_sigmask(SIG_BLOCK, &held, &previous_);
}

BlockedSignals::~BlockedSignals()
{
    ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

} // namespace platform
