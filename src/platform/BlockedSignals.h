#pragma once

#include <signal.h>

namespace platform {

/// Holds back SIGINT, SIGTERM, SIGHUP and SIGQUIT for its lifetime: a signal
/// that arrives meanwhile is delivered, with its handler, once the object
/// is destroyed. Used around the short steps that must not be cut in the
/// middle by the program's own signal handling (a file given a name and not
/// yet renamed, a section half written). SIGKILL cannot be held back.
class BlockedSignals {
public:
    // Blocks the four signals; they stay blocked until destruction.
    BlockedSignals() noexcept;
    // Restores the signal mask found at construction.
    ~BlockedSignals();
    BlockedSignals(const BlockedSignals&) = delete;
    BlockedSignals& operator=(const BlockedSignals&) = delete;

private:
    sigset_t previous_;
};

} // namespace platform
