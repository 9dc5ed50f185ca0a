#include "util/U_Ref.h"

bool U_Ref::dropRef(U_Ref* p) noexcept
{
    if (--p->count_ != 0)
        return false;
    delete p;
    return true;
}
