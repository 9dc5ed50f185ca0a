#include "platform/MemoryLimit.h"

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

bool setAddressSpaceLimit(std::uint64_t bytes)
{
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
