#pragma once

#include <cstdint>

// Physical memory and the process's address-space limit (RLIMIT_AS), by
// which a run is kept from taking more memory than it was allowed.
namespace platform {

// The machine's physical memory in bytes; 0 when it cannot be had.
std::uint64_t physicalMemoryBytes();

// The address space this process maps now (its virtual size); 0 when it
// cannot be had.
std::uint64_t addressSpaceInUse();

// Sets the soft address-space limit (RLIMIT_AS) of this process to bytes,
// never above the hard limit; false, and nothing set, when bytes is not above
// addressSpaceInUse() or the system refused. Never call it
// in a process that must keep running freely (a test process, for one).
bool setAddressSpaceLimit(std::uint64_t bytes);

} // namespace platform
