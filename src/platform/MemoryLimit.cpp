#include "platform/MemoryLimit.h"

#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>

namespace platform {

std::uint64_t physicalMemoryBytes()
{
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0)
        return 0;
    return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize);
}

std::uint64_t addressSpaceInUse()
{
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm == nullptr)
        return 0;
    unsigned long long pages = 0;
    const bool read = std::fscanf(statm, "%llu", &pages) == 1;
    std::fclose(statm);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (!read || pageSize <= 0)
        return 0;
    return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize);
}

bool setAddressSpaceLimit(std::uint64_t bytes)
{
    // A limit below what the process already maps would fail its next
    // allocation at once; such a limit is not set.
    if (bytes <= addressSpaceInUse())
        return false;
    struct rlimit limit;
    if (::getrlimit(RLIMIT_AS, &limit) != 0)
        return false;
    rlim_t soft = bytes >= RLIM_INFINITY ? RLIM_INFINITY : static_cast<rlim_t>(bytes);
    if (limit.rlim_max != RLIM_INFINITY && soft > limit.rlim_max)
        soft = limit.rlim_max;
    limit.rlim_cur = soft;
    return ::setrlimit(RLIMIT_AS, &limit) == 0;
}

} // namespace platform
