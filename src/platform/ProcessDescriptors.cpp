#include "platform/ProcessDescriptors.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

std::vector<int> openDescriptors()
{
    std::vector<int> fds;
    DIR* list = ::opendir("/proc/self/fd");
    if (!list)
        return fds;
    const int own = ::dirfd(list);
    while (const dirent* entry = ::readdir(list)) {
        char* end = nullptr;
        const long fd = std::strtol(entry->d_name, &end, 10);
        if (end != entry->d_name && *end == '\0' && fd != own)
            fds.push_back(static_cast<int>(fd));
    }
    ::closedir(list);
    std::sort(fds.begin(), fds.end());
    return fds;
}

std::string pathOfDescriptor(int fd)
{
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    std::string path(4096, '\0');
    for (;;) {
        const ssize_t n = ::readlink(link.c_str(), &path[0], path.size());
        if (n < 0)
            return std::string();
        if (static_cast<std::size_t>(n) < path.size()) {
            path.resize(static_cast<std::size_t>(n));
            break;
        }
        if (path.size() >= 1024 * 1024)
            return std::string();
        path.resize(path.size() * 2);
    }
    // A file whose name is gone is shown as its old name and " (deleted)";
    // a name that does not begin with "/" is no file's (a pipe, a socket).
    if (path.empty() || path[0] != '/')
        return std::string();
    struct stat named;
    struct stat open;
    if (::stat(path.c_str(), &named) != 0 || ::fstat(fd, &open) != 0 || named.st_dev != open.st_dev ||
        named.st_ino != open.st_ino)
        return std::string();
    return path;
}

} // namespace platform
