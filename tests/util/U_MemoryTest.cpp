#include "util/U_Memory.h"

#include "platform/MemoryLimit.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr std::uint64_t kGiB = std::uint64_t(1) << 30;
constexpr std::uint32_t kFourGiBInKiB = 4u << 20;

} // namespace

TEST(U_Memory, ProcessLimit)
{
    struct Row {
        std::uint32_t percent;
        std::uint32_t kib;
        std::uint64_t total;
        std::uint64_t limit;
    };
    const Row rows[] = {
        {70, kFourGiBInKiB, 8 * kGiB, 70 * 8 * kGiB / 100},    // the share wins: about 5.6 GiB
        {70, kFourGiBInKiB, 4 * kGiB, 4 * kGiB},               // the floor wins
        {0, 96u << 10, 8 * kGiB, 96u << 20},                   // 96 MiB
        {70, kFourGiBInKiB, 0, 4 * kGiB},                      // no memory figure
        {70, 0, 0, 0},
        {3, 0, 50, 1},                                         // multiplied before dividing
        {100, 0xFFFFFFFFu, 0, std::uint64_t(0xFFFFFFFFu) * 1024},  // no 32-bit overflow
        {70, 0, 64 * kGiB, 70 * 64 * kGiB / 100},
    };
    for (const Row& r : rows)
        EXPECT_EQ(r.limit, U_Memory::processLimit(r.percent, r.kib, r.total))
            << r.percent << "% of " << r.total << ", at least " << r.kib << " KiB";
    EXPECT_EQ(6012954214u, U_Memory::processLimit(70, kFourGiBInKiB, 8 * kGiB));
}

// Applied only in a forked child, which reports through its exit code.
TEST(U_Memory, SetProcessLimitInAChild)
{
    const pid_t child = ::fork();
    ASSERT_NE(-1, child);
    if (child == 0) {
        struct rlimit before;
        if (::getrlimit(RLIMIT_AS, &before) != 0)
            ::_exit(10);
        const std::uint64_t inUse = platform::addressSpaceInUse();
        U_Memory::setProcessLimit(70, kFourGiBInKiB);
        struct rlimit limit;
        if (::getrlimit(RLIMIT_AS, &limit) != 0)
            ::_exit(10);
        std::uint64_t expected = U_Memory::processLimit(70, kFourGiBInKiB, platform::physicalMemoryBytes());
        if (limit.rlim_max != RLIM_INFINITY && expected > limit.rlim_max)
            expected = limit.rlim_max;
        // A sanitizer maps more than the limit: then none is set.
        if (expected <= inUse)
            expected = before.rlim_cur;
        U_Memory::closeJob();
        ::_exit(limit.rlim_cur == expected ? 0 : 11);
    }
    int status = 0;
    ASSERT_EQ(child, ::waitpid(child, &status, 0));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(0, WEXITSTATUS(status));
}
