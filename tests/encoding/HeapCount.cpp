#include "HeapCount.h"

#include <cstdlib>
#include <new>

namespace {

std::size_t allocated = 0;

} // namespace

std::size_t testheap::bytesAllocated() noexcept
{
    return allocated;
}

// The C++ library's other forms of new and delete call these, over-aligned
// ones excepted, which are not counted.
void* operator new(std::size_t size)
{
    void* p = std::malloc(size ? size : 1);
    if (!p)
        throw std::bad_alloc();
    allocated += size;
    return p;
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
