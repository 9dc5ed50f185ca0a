#include "app/QL_Signal.h"

#include <gtest/gtest.h>

#include <csignal>
#include <string>
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
        {SIGTERM, "SIGTERM)\n"}, {SIGABRT, "SIGABRT)\n"}, {SIGHUP, ""},          {0, ""},
    };
    for (const auto& [signo, name] : rows) {
        SCOPED_TRACE(signo);
        EXPECT_EQ(caughtMessage(signo), "Caught signal: (" + name + "Please contact Marrowby.\n");
    }
}

} // namespace
