#include "platform/AsciiCase.h"

namespace platform {

int asciiCompareNoCase(const char* a, const char* b, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i) {
        const auto ca = static_cast<unsigned char>(asciiToLower(a[i]));
        const auto cb = static_cast<unsigned char>(asciiToLower(b[i]));
        if (ca != cb)
            return ca < cb ? -1 : 1;
        if (ca == 0)
            return 0;
    }
    return 0;
}

} // namespace platform
