#include "platform/BlockedSignals.h"

#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {

namespace {

// The C library's sigprocmask and pthread_sigmask quietly keep 32 and 33
// out of any mask; the system call itself takes them. Its mask is the
// kernel's: 64 bits, one per signal, whatever the C library's sigset_t.
// A signal whose default action ends the process (SIGUSR1, SIGALRM,
// SIGXCPU, a real-time signal, those two) would stop a write between two
// pages as surely as the four the program handles.
void setMask(int how, const std::uint64_t* mask, std::uint64_t* old) noexcept
{
    (void)::syscall(SYS_rt_sigprocmask, how, mask, old, sizeof(std::uint64_t));
}

constexpr std::uint64_t kEverySignal = ~std::uint64_t(0);
// The bit of a signal in the kernel's mask.
constexpr std::uint64_t bitOf(int signo)
{
    return std::uint64_t(1) << (signo - 1);
}
constexpr int kSetIdSignal = 33;

} // namespace

BlockedSignals::BlockedSignals() noexcept
{
    setMask(SIG_BLOCK, &kEverySignal, &previous_);
}

BlockedSignals::~BlockedSignals()
{
    setMask(SIG_SETMASK, &previous_, nullptr);
}

void blockEverySignalButSetId() noexcept
{
    constexpr std::uint64_t held = kEverySignal & ~bitOf(kSetIdSignal);
    setMask(SIG_SETMASK, &held, nullptr);
}

} // namespace platform
