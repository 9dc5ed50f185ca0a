#include "platform/RegularFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

int openRegularFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        const int error = errno;
        ::close(fd);
        errno = S_ISREG(info.st_mode) ? error : EINVAL;
        return -1;
    }
    return fd;
}

} // namespace platform
