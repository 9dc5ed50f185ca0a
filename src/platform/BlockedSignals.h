#pragma once

#include <cstdint>

namespace platform {

/// Holds back every signal that can be held (all but SIGKILL and SIGSTOP)
/// for its lifetime, the two that the C library keeps for itself (32 and
/// 33, which sigfillset leaves out and whose default action ends the
/// process) among them: one that arrives meanwhile is delivered, with its
/// handler or its default action, once the object is destroyed. Used around
/// the steps that no signal may cut in the middle: a section being written
/// into its message file and cut back after a failure, a new file given a
/// name and not yet renamed. Only SIGKILL can end the process inside them.
class BlockedSignals {
public:
    // Blocks the signals; they stay blocked until destruction.
    BlockedSignals() noexcept;
    // Restores the signal mask found at construction.
    ~BlockedSignals();
    BlockedSignals(const BlockedSignals&) = delete;
    BlockedSignals& operator=(const BlockedSignals&) = delete;

private:
    // The kernel's mask of the calling thread, one bit per signal.
    std::uint64_t previous_ = 0;
};

// Blocks, in the calling thread and for good, every signal that can be held
// but 33, for a thread that must never run a handler of the program's nor
// end the process. 32 is held too (its default action ends the process, and
// the C library has no handler for it until a thread is cancelled). 33 is
// the C library's own: setuid, setgid and their kin, on any thread, send it
// to every thread and wait until each has taken it, so a thread that held it
// would make them wait for ever. The C library has a handler for it in every
// process with a second thread (pthread_create sets it), which does nothing
// with a 33 sent by anyone else: taken here, it ends nothing.
void blockEverySignalButSetId() noexcept;

} // namespace platform
