#include "platform/ModuleFileName.h"

#include <unistd.h>
#include <vector>

namespace platform {

std::string moduleFileName()
{
    // readlink does not say whether it cut the name short: grow the buffer
    // until the name leaves room to spare.
    for (std::size_t size = 256; size <= (std::size_t(1) << 20); size *= 2) {
        std::vector<char> buffer(size);
        const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0)
            break;
        if (static_cast<std::size_t>(n) < buffer.size())
            return std::string(buffer.data(), static_cast<std::size_t>(n));
    }
    return std::string();
}

} // namespace platform
