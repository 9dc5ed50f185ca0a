#include "app/QL_Signal.h"

#include <gtest/gtest.h>

#include "platform/Sanitizer.h"
#include "support/TempDir.h"

#include <cerrno>
#include <csignal>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string caughtMessage(int signo)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return "pipe failed";
    QL_Signal::writeCaughtMessage(signo, fds[1]);
    ::close(fds[1]);
    std::string text;
    char buffer[256];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(n));
    ::close(fds[0]);
    return text;
}

TEST(QL_SignalTest, CaughtMessage)
{
    const std::vector<std::pair<int, std::string>> rows = {
        {SIGINT, "SIGINT)\n"},   {SIGILL, "SIGILL)\n"},   {SIGFPE, "SIGFPE)\n"}, {SIGSEGV, "SIGSEGV)\n"},
        {SIGTERM, "SIGTERM)\n"}, {SIGABRT, "SIGABRT)\n"}, {SIGHUP, "SIGHUP)\n"}, {SIGQUIT, "SIGQUIT)\n"},
        {SIGUSR1, ""},           {0, ""},
    };
    for (const auto& [signo, name] : rows) {
        SCOPED_TRACE(signo);
        EXPECT_EQ(caughtMessage(signo), "Caught signal: (" + name + "Please contact Marrowby.\n");
    }
}

void ignoreSignal(int) {}

void (*handlerOf(int signo))(int)
{
    struct sigaction current;
    ::sigaction(signo, nullptr, &current);
    return current.sa_handler;
}

// The signals that end a run get the handler in every build, the faults only
// without a sanitizer; an interrupt, hangup or quit ignored from the start (a
// shell's background job, nohup) stays ignored.
// Run in children, whose signal dispositions the test may change.
TEST(QL_SignalTest, WhichSignalsGetTheHandler)
{
    struct Row {
        int signo;
        bool ignoredBefore;
        bool handled;
    };
    const Row rows[] = {
        {SIGINT, false, true},  {SIGTERM, false, true},  {SIGHUP, false, true}, {SIGQUIT, false, true},
        {SIGINT, true, false},  {SIGQUIT, true, false},  {SIGHUP, true, false},  {SIGTERM, true, true},
        {SIGSEGV, false, !platform::kAddressSanitizer},  {SIGABRT, false, !platform::kAddressSanitizer},
        {SIGUSR1, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.signo) + (row.ignoredBefore ? " ignored before" : ""));
        const pid_t child = ::fork();
        if (child == 0) {
            std::signal(row.signo, row.ignoredBefore ? SIG_IGN : SIG_DFL);
            const auto before = handlerOf(row.signo);
            QL_Signal::installHandler(&ignoreSignal);
            const auto after = handlerOf(row.signo);
            ::_exit(after == (row.handled ? &ignoreSignal : before) ? 0 : 1);
        }
        ASSERT_GT(child, 0);
        int status = 0;
        ASSERT_EQ(child, ::waitpid(child, &status, 0));
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
}

// Under a file-size limit a write beyond it fails with EFBIG, which the
// writers undo, instead of SIGXFSZ ending the program part way through an
// append. Run in a child, whose signal dispositions the test may change.
TEST(QL_SignalTest, FileSizeLimitFailsTheWriteInsteadOfEndingTheProgram)
{
    TempDir dir;
    const std::string path = dir.file("limited");
    const pid_t child = ::fork();
    if (child == 0) {
        QL_Signal::installHandler(&ignoreSignal);
        struct rlimit limit = {100, 100};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const std::string bytes(300, 'x');
        const ssize_t first = ::write(fd, bytes.data(), bytes.size());  // cut short at the limit
        const ssize_t second = ::write(fd, bytes.data(), bytes.size());
        ::_exit(first == 100 && second == -1 && errno == EFBIG ? 0 : 1);
    }
    ASSERT_GT(child, 0);
    int status = 0;
    ASSERT_EQ(child, ::waitpid(child, &status, 0));
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

} // namespace
