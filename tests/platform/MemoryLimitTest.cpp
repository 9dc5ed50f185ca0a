#include "platform/MemoryLimit.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

TEST(MemoryLimit, PhysicalMemoryIsWholePages)
{
    const std::uint64_t total = platform::physicalMemoryBytes();
    ASSERT_GT(total, 0u);
    EXPECT_EQ(0u, total % static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE)));
}

// The limit is set only in a forked child, which reports through its exit
// code: a test process must never run under it.
TEST(MemoryLimit, SoftLimitNeverAboveTheHardOne)
{
    const pid_t child = ::fork();
    ASSERT_NE(-1, child);
    if (child == 0) {
        struct rlimit limit;
        if (::getrlimit(RLIMIT_AS, &limit) != 0)
            ::_exit(10);
        const rlim_t hard = std::uint64_t(1) << 46;  // far above anything in use
        if (limit.rlim_max == RLIM_INFINITY || limit.rlim_max > hard) {
            limit.rlim_max = hard;
            limit.rlim_cur = hard;
            if (::setrlimit(RLIMIT_AS, &limit) != 0)
                ::_exit(11);
        }
        const rlim_t max = limit.rlim_max;
        if (!platform::setAddressSpaceLimit(std::uint64_t(max) * 2))
            ::_exit(12);
        ::getrlimit(RLIMIT_AS, &limit);
        if (limit.rlim_cur != max || limit.rlim_max != max)
            ::_exit(13);
        if (!platform::setAddressSpaceLimit(max / 2))
            ::_exit(14);
        ::getrlimit(RLIMIT_AS, &limit);
        if (limit.rlim_cur != max / 2 || limit.rlim_max != max)
            ::_exit(15);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(child, ::waitpid(child, &status, 0));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(0, WEXITSTATUS(status));
}

// A limit below what the process maps is refused before anything is set, so
// this one is safe to try in the test process itself.
TEST(MemoryLimit, NeverBelowTheAddressSpaceInUse)
{
    const std::uint64_t inUse = platform::addressSpaceInUse();
    ASSERT_GT(inUse, 0u);
    struct rlimit before;
    ASSERT_EQ(0, ::getrlimit(RLIMIT_AS, &before));
    EXPECT_FALSE(platform::setAddressSpaceLimit(inUse / 2));
    EXPECT_FALSE(platform::setAddressSpaceLimit(1));
    struct rlimit after;
    ASSERT_EQ(0, ::getrlimit(RLIMIT_AS, &after));
    EXPECT_EQ(before.rlim_cur, after.rlim_cur);
}
