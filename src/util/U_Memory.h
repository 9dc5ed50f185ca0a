#pragma once

#include <cstdint>

/// The process memory limit: a share of the physical memory, but never less
/// than a fixed amount. Here it bounds the process's address space.
namespace U_Memory {

// The larger of percent * totalBytes / 100 (the product formed first) and
// kib * 1024, computed in 64 bits.
std::uint64_t processLimit(std::uint32_t percent, std::uint32_t kib, std::uint64_t totalBytes) noexcept;

// Limits this process to processLimit(percent, kib, physical memory); a later
// call replaces the limit. Failures are silent.
void setProcessLimit(std::uint32_t percent, std::uint32_t kib);

// Releases what the limit holds at exit; the address-space limit holds
// nothing, so this does nothing.
void closeJob() noexcept;

} // namespace U_Memory
