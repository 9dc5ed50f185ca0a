#include "platform/PathLookup.h"

#include <cstring>
#include <vector>

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {

namespace {

// As many links as the kernel follows in one lookup.
constexpr int kMaxLinks = 40;

// Closes fd and gives -1, with errno that of the failure before.
int failWith(int fd, int error)
{
    if (fd >= 0)
        ::close(fd);
    errno = error;
    return -1;
}

// The lookup of path from dir by the kernel alone, refused (ELOOP) at the
// first symbolic link: one system call for a path without links, which
// most are. -1 with errno ENOSYS where the kernel has no such lookup.
int openWithoutLinks(int dir, const std::string& path, bool followLast)
{
    static bool available = true;
    if (!available) {
        errno = ENOSYS;
        return -1;
    }
    struct open_how how {};
    how.flags = O_PATH | O_CLOEXEC | (followLast ? 0 : O_NOFOLLOW);
    how.resolve = RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
    const long fd = ::syscall(SYS_openat2, dir, path.c_str(), &how, sizeof how);
    if (fd < 0 && (errno == ENOSYS || errno == EPERM || errno == E2BIG)) {
        available = false;
        errno = ENOSYS;
    }
    return static_cast<int>(fd);
}

// The text of the link fd (an O_PATH descriptor of it, whose state is
// link) into target; false (errno set) when it cannot be read whole.
bool linkText(int fd, const struct stat& link, std::string& target)
{
    // A link's text never changes: st_size is its length, unless the file
    // system does not keep it (then read what there is).
    std::vector<char> buffer(link.st_size > 0 ? static_cast<std::size_t>(link.st_size) + 1 : 4096);
    for (;;) {
        const ssize_t n = ::readlinkat(fd, "", buffer.data(), buffer.size());
        if (n < 0)
            return false;
        if (static_cast<std::size_t>(n) < buffer.size()) {
            target.assign(buffer.data(), static_cast<std::size_t>(n));
            return true;
        }
        if (buffer.size() >= 1024 * 1024) {
            errno = ENAMETOOLONG;
            return false;
        }
        buffer.resize(buffer.size() * 2);
    }
}

// path looked up from the directory start (which stays the caller's), one
// component at a time, each link checked and followed through its text
// from the directory it stands in. linksLeft counts down over the whole
// lookup, links within links included.
int walk(int start, const std::string& path, bool followLast, int& linksLeft)
{
    if (path.empty()) {
        errno = ENOENT;
        return -1;
    }
    int current = ::openat(path[0] == '/' ? AT_FDCWD : start, path[0] == '/' ? "/" : ".",
                           O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (current < 0)
        return -1;
    std::size_t begin = 0;
    while (begin < path.size()) {
        std::size_t end = path.find('/', begin);
        if (end == std::string::npos)
            end = path.size();
        const std::string component = path.substr(begin, end - begin);
        begin = end + 1;
        if (component.empty() || component == ".")
            continue;
        const bool last = path.find_first_not_of('/', end) == std::string::npos;
        int next = ::openat(current, component.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0)
            return failWith(current, errno);
        struct stat state;
        if (::fstat(next, &state) != 0) {
            const int error = errno;
            ::close(next);
            return failWith(current, error);
        }
        // A name that ends in "/" names a directory: a link there is
        // followed even as the last component.
        const bool follow = !last || followLast || end < path.size();
        if (S_ISLNK(state.st_mode) && follow) {
            std::string text;
            int target = -1;
            struct stat reached;
            if (--linksLeft < 0) {
                errno = ELOOP;
            } else if (linkText(next, state, text)) {
                target = walk(current, text, true, linksLeft);
                if (target >= 0 && ::fstat(target, &reached) != 0)
                    target = failWith(target, errno);
                if (target >= 0 && !mayFollowLink(state, reached))
                    target = failWith(target, kRefusedLink);
            }
            const int error = errno;
            ::close(next);
            if (target < 0)
                return failWith(current, error);
            next = target;
        }
        ::close(current);
        current = next;
    }
    return current;
}

} // namespace

bool mayFollowLink(const struct stat& link, const struct stat& target) noexcept
{
    static const uid_t self = ::geteuid();
    return link.st_uid == self || link.st_uid == 0 || link.st_uid == target.st_uid;
}

int openPathAt(const FileAt& file, bool followLast)
{
    if (file.name.find('\0') != std::string::npos) {
        errno = ENOENT;
        return -1;
    }
    const int fd = openWithoutLinks(file.dir, file.name, followLast);
    if (fd >= 0 || (errno != ELOOP && errno != ENOSYS))
        return fd;
    int linksLeft = kMaxLinks;
    return walk(file.dir, file.name, followLast, linksLeft);
}

std::string openFailureText(int error)
{
    switch (error) {
    case kRefusedLink:
        return "a symbolic link leads to it that its owner may not follow there";
    case kSwappedDirectory:
        return "its directory is no longer the one first opened";
    default:
        return std::strerror(error);
    }
}

} // namespace platform
