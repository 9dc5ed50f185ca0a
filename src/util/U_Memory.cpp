#include "util/U_Memory.h"

#include "platform/MemoryLimit.h"

#include <algorithm>

std::uint64_t U_Memory::processLimit(std::uint32_t percent, std::uint32_t kib, std::uint64_t totalBytes) noexcept
{
    const std::uint64_t share = std::uint64_t(percent) * totalBytes / 100;
    const std::uint64_t floor = std::uint64_t(kib) * 1024;
    return std::max(share, floor);
}

void U_Memory::setProcessLimit(std::uint32_t percent, std::uint32_t kib)
{
    platform::setAddressSpaceLimit(processLimit(percent, kib, platform::physicalMemoryBytes()));
}

void U_Memory::closeJob() noexcept {}
