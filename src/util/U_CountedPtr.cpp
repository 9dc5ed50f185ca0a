#include "util/U_CountedPtr.h"

namespace u_counted_detail {

void releaseBlock(BlockBase* block) noexcept
{
    if (--block->count == 0)
        block->destroy(block);
}

} // namespace u_counted_detail
