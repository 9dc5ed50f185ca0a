#pragma once

#include <signal.h>

namespace platform {

/// Holds back every signal that can be held (all but SIGKILL and SIGSTOP)
/// for its lifetime: one that arrives meanwhile is delivered, with its
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
    sigset_t previous_;
};

} // namespace platform
