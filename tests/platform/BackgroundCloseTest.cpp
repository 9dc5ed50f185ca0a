#include "platform/BackgroundClose.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <string>
#include <vector>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

bool isOpen(int fd)
{
    return ::fcntl(fd, F_GETFD) != -1 || errno != EBADF;
}

// The write end of a pipe stays open while fd is: closing it ends the read.
bool readEndSeesTheEnd(int readFd)
{
    char byte;
    return ::read(readFd, &byte, 1) == 0;
}

} // namespace

// Every descriptor handed over is closed once the wait returns, also when
// many come at once; a child made by fork gets a closer of its own.
TEST(BackgroundClose, ClosesWhatItIsGivenAndWaitsForIt)
{
    std::vector<int> fds;
    for (int i = 0; i < 64; ++i) {
        const int fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        fds.push_back(fd);
    }
    for (int fd : fds)
        platform::closeInBackground(fd);
    platform::waitForBackgroundCloses();
    for (int fd : fds)
        EXPECT_FALSE(isOpen(fd)) << fd;
    platform::closeInBackground(-1);  // nothing to close
    platform::waitForBackgroundCloses();

    int pipeFds[2];
    ASSERT_EQ(0, ::pipe(pipeFds));
    const pid_t child = ::fork();
    ASSERT_NE(-1, child);
    if (child == 0) {
        ::close(pipeFds[0]);
        platform::closeInBackground(pipeFds[1]);
        platform::waitForBackgroundCloses();
        // Still open here would mean the wait returned too early.
        ::_exit(isOpen(pipeFds[1]) ? 1 : 0);
    }
    ::close(pipeFds[1]);
    EXPECT_TRUE(readEndSeesTheEnd(pipeFds[0]));
    ::close(pipeFds[0]);
    int status = 0;
    ASSERT_EQ(child, ::waitpid(child, &status, 0));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

// The closing thread takes no signal of the program's: a handler always runs
// on the program's own thread. It holds every signal that can be held, 32
// too, which the C library keeps out of its masks, but 33, which the C
// library's set-id calls need every thread to take.
TEST(BackgroundClose, ItsThreadBlocksEverySignalButSetId)
{
    platform::closeInBackground(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    platform::waitForBackgroundCloses();
    sigset_t mine;
    ASSERT_EQ(0, pthread_sigmask(SIG_SETMASK, nullptr, &mine));
    EXPECT_FALSE(sigismember(&mine, SIGTERM)) << "the caller's mask is left as it was";
    // The kernel's mask: every signal but SIGKILL and SIGSTOP, which none
    // can hold, and 33.
    const auto bit = [](int signo) { return 1ull << (signo - 1); };
    const unsigned long long expected = ~0ull & ~bit(SIGKILL) & ~bit(SIGSTOP) & ~bit(33);
    // Each other thread of the process shows its blocked set in /proc.
    int others = 0;
    DIR* tasks = ::opendir("/proc/self/task");
    ASSERT_NE(nullptr, tasks);
    while (const dirent* entry = ::readdir(tasks)) {
        const std::string tid = entry->d_name;
        if (tid == "." || tid == ".." || tid == std::to_string(::gettid()))
            continue;
        std::ifstream status("/proc/self/task/" + tid + "/status");
        std::string line;
        while (std::getline(status, line)) {
            if (line.compare(0, 7, "SigBlk:") != 0)
                continue;
            const unsigned long long blocked = std::stoull(line.substr(7), nullptr, 16);
            EXPECT_EQ(expected, blocked) << std::hex << "thread " << tid << " differs in " << (expected ^ blocked);
            ++others;
        }
    }
    ::closedir(tasks);
    EXPECT_GE(others, 1);
}

// setgid and setuid make every thread take 33 and return once each has: with
// the closing thread running, they return. In a child, which starts its own
// closing thread (a fork's child has only the thread that forked), watched
// until it ends or a deadline passes, so that a hang fails this test only.
TEST(BackgroundClose, SetIdCallsReturnWhileItsThreadRuns)
{
    const pid_t child = ::fork();
    ASSERT_NE(-1, child);
    if (child == 0) {
        platform::closeInBackground(::open("/dev/null", O_RDONLY | O_CLOEXEC));
        platform::waitForBackgroundCloses();
        DIR* tasks = ::opendir("/proc/self/task");
        int threads = 0;
        while (tasks && ::readdir(tasks))
            ++threads;
        if (tasks)
            ::closedir(tasks);
        if (threads < 4)  // ".", "..", this thread and the closing one
            ::_exit(3);
        if (::setgid(::getgid()) != 0)
            ::_exit(1);
        if (::setuid(::getuid()) != 0)
            ::_exit(2);
        ::_exit(0);
    }
    int status = 0;
    pid_t ended = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while ((ended = ::waitpid(child, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < deadline)
        ::usleep(10000);
    if (ended == 0) {
        ::kill(child, SIGKILL);
        ::waitpid(child, &status, 0);
        FAIL() << "setgid or setuid did not return with the closing thread running";
    }
    ASSERT_EQ(child, ended);
    ASSERT_TRUE(WIFEXITED(status)) << "status " << status;
    EXPECT_EQ(0, WEXITSTATUS(status)) << "1: setgid failed; 2: setuid failed; 3: no closing thread";
}
