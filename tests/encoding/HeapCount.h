#pragma once

// Counts the bytes this test program asks of operator new (HeapCount.cpp
// replaces the global one), for tests that show an operation's memory work
// grows linearly with its input.

#include <cstddef>

namespace testheap {

// The bytes operator new has handed out since the program started, freed
// ones included: their sum over an operation is what it allocated, and a
// copy of the growing text at each of its reallocations shows there.
std::size_t bytesAllocated() noexcept;

} // namespace testheap
