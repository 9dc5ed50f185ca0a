#include "platform/BackgroundClose.h"

#include "platform/BlockedSignals.h"

#include <csignal>
#include <new>
#include <vector>

#include <pthread.h>
#include <unistd.h>

namespace platform {

namespace {

// Made on first use and never destroyed: the thread may still be waiting
// on it while the process exits, and the kernel closes what is left then.
// Descriptors handed over and not yet closed, at the most: beyond, the
// caller closes its own, so that a run holds a few descriptors more than its
// own however many files it replaces.
constexpr int kMaxInFlight = 8;

struct Closer {
    pthread_mutex_t mutex = PTHREAD_MUTEX_INITIALIZER;
    pthread_cond_t changed = PTHREAD_COND_INITIALIZER;
    std::vector<int> queue;
    int inFlight = 0;    // queued or being closed
    pid_t owner = 0;     // the process whose thread runs; 0 before it started
};

Closer& closer()
{
    static Closer* const instance = new Closer;
    return *instance;
}

void* closeQueued(void*)
{
    // Started with every signal the C library lets a mask hold; 32, sent to
    // the process, would otherwise end it here, in the middle of whatever
    // the main thread holds it back for. 33 is left to the C library's
    // handler, which the set-id calls of any thread need every thread to run.
    blockEverySignalButSetId();
    Closer& c = closer();
    pthread_mutex_lock(&c.mutex);
    for (;;) {
        while (c.queue.empty())
            pthread_cond_wait(&c.changed, &c.mutex);
        const int fd = c.queue.back();
        c.queue.pop_back();
        pthread_mutex_unlock(&c.mutex);
        ::close(fd);
        pthread_mutex_lock(&c.mutex);
        --c.inFlight;
        pthread_cond_broadcast(&c.changed);
    }
    return nullptr;
}

// fork while the thread holds the mutex would leave the child a mutex no
// one unlocks: the fork waits for it, and the child starts afresh.
void beforeFork()
{
    pthread_mutex_lock(&closer().mutex);
}

void afterForkInParent()
{
    pthread_mutex_unlock(&closer().mutex);
}

void afterForkInChild()
{
    Closer& c = closer();
    pthread_mutex_init(&c.mutex, nullptr);
    pthread_cond_init(&c.changed, nullptr);
    c.queue.clear();
    c.inFlight = 0;
    c.owner = 0;
}

// Starts the thread for this process; false when it cannot be started.
// Called with the mutex held.
bool startThread(Closer& c)
{
    static const bool forkHandled = pthread_atfork(&beforeFork, &afterForkInParent, &afterForkInChild) == 0;
    if (!forkHandled)
        return false;
    sigset_t all, old;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &old);
    pthread_t thread;
    const bool started = pthread_create(&thread, nullptr, &closeQueued, nullptr) == 0;
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    if (!started)
        return false;
    pthread_detach(thread);
    c.owner = ::getpid();
    return true;
}

} // namespace

void closeInBackground(int fd) noexcept
{
    if (fd < 0)
        return;
    Closer& c = closer();
    pthread_mutex_lock(&c.mutex);
    bool queued = false;
    if (c.inFlight < kMaxInFlight && (c.owner == ::getpid() || startThread(c))) {
        try {
            c.queue.push_back(fd);
            ++c.inFlight;
            queued = true;
            pthread_cond_broadcast(&c.changed);
        } catch (const std::bad_alloc&) {
            // No room to queue it: it is closed here below.
        }
    }
    pthread_mutex_unlock(&c.mutex);
    if (!queued)
        ::close(fd);
}

void waitForBackgroundCloses() noexcept
{
    Closer& c = closer();
    pthread_mutex_lock(&c.mutex);
    if (c.owner == ::getpid()) {
        while (c.inFlight > 0)
            pthread_cond_wait(&c.changed, &c.mutex);
    }
    pthread_mutex_unlock(&c.mutex);
}

} // namespace platform
