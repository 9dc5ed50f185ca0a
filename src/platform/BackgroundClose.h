#pragma once

// The last close of a file that was replaced by a new one frees it, and
// freeing waits until the kernel has written back its pages still in
// flight: for a message file the analyser has just written, that wait costs
// more than the whole rest of its append. Such descriptors are closed on a
// thread of their own while the run goes on.
namespace platform {

// Closes fd soon, on a background thread whose signals are all blocked but
// 33, which the C library's set-id calls need every thread to take (so the
// fatal-signal handler always runs on the caller's thread). Closes it at
// once, on the caller's thread, where no thread can be had or a few are
// still waiting to be closed: the descriptors the process holds stay few
// whatever the number of files. A child process made by fork starts with an
// empty queue and a thread of its own. Never throws.
void closeInBackground(int fd) noexcept;

// Returns once every descriptor handed to closeInBackground by this process
// is closed.
void waitForBackgroundCloses() noexcept;

} // namespace platform
