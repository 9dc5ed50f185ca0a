#include "platform/RegularFile.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

namespace platform {

namespace {

// Closes fd and gives -1, with errno that of the failure before.
int closeFailed(int fd, int error)
{
    ::close(fd);
    errno = error;
    return -1;
}

} // namespace

int openRegularFile(const std::string& path)
{
    return openRegularFile(path, O_RDONLY);
}

int openRegularFile(const std::string& path, int flags, struct stat* info)
{
    return openRegularFile(FileAt{AT_FDCWD, path}, flags, info);
}

int openRegularFile(const FileAt& file, int flags, struct stat* info)
{
    // stat first: opening a device may act on it (a tape rewinds, a
    // terminal becomes ours), so only what looks like a regular file, or
    // nothing at all where one may be created, is opened; fstat then makes
    // sure of what was.
    struct stat state;
    const int lookup = (flags & O_NOFOLLOW) ? AT_SYMLINK_NOFOLLOW : 0;
    if (::fstatat(file.dir, file.name.c_str(), &state, lookup) == 0) {
        if (S_ISLNK(state.st_mode)) {
            errno = ELOOP;
            return -1;
        }
        if (!S_ISREG(state.st_mode)) {
            errno = EINVAL;
            return -1;
        }
    } else if (errno != ENOENT || !(flags & O_CREAT)) {
        return -1;
    }
    const int fd =
        ::openat(file.dir, file.name.c_str(), (flags & ~O_TRUNC) | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0)
        return -1;
    if (::fstat(fd, &state) != 0)
        return closeFailed(fd, errno);
    if (!S_ISREG(state.st_mode))
        return closeFailed(fd, EINVAL);
    if ((flags & O_TRUNC) && state.st_size != 0) {
        if (::ftruncate(fd, 0) != 0)
            return closeFailed(fd, errno);
        state.st_size = 0;
    }
    // The open did not wait; reads and writes of the file may.
    if (::fcntl(fd, F_SETFL, flags & O_APPEND) != 0)
        return closeFailed(fd, errno);
    if (info)
        *info = state;
    return fd;
}

std::FILE* openRegularStream(const std::string& path)
{
    const int fd = openRegularFile(path, O_RDONLY);
    if (fd < 0)
        return nullptr;
    std::FILE* stream = ::fdopen(fd, "rb");
    if (!stream)
        closeFailed(fd, errno);
    return stream;
}

std::FILE* openRegularStream(const std::string& path, struct stat* info)
{
    const int fd = openRegularFile(path, O_RDONLY, info);
    if (fd < 0)
        return nullptr;
    std::FILE* stream = ::fdopen(fd, "rb");
    if (!stream)
        closeFailed(fd, errno);
    return stream;
}

bool readToEnd(int fd, std::string& bytes, std::size_t limit)
{
    char chunk[64 * 1024];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n == 0)
            return true;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (bytes.size() > limit || static_cast<std::size_t>(n) > limit - bytes.size()) {
            errno = EFBIG;
            return false;
        }
        bytes.append(chunk, static_cast<std::size_t>(n));
    }
}

bool sameFileState(const struct stat& a, const struct stat& b) noexcept
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
           a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

bool writeAll(int fd, const char* data, std::size_t size) noexcept
{
    while (size != 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool writeAll(int fd, const std::vector<std::string_view>& pieces)
{
    std::vector<struct iovec> left;
    for (const std::string_view& piece : pieces) {
        if (!piece.empty())
            left.push_back({const_cast<char*>(piece.data()), piece.size()});
    }
    std::size_t first = 0;
    while (first < left.size()) {
        const int count = static_cast<int>(std::min<std::size_t>(left.size() - first, IOV_MAX));
        ssize_t n = ::writev(fd, &left[first], count);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        // Past the pieces written whole, into the one written in part.
        while (first < left.size() && static_cast<std::size_t>(n) >= left[first].iov_len) {
            n -= static_cast<ssize_t>(left[first].iov_len);
            ++first;
        }
        if (n > 0) {
            left[first].iov_base = static_cast<char*>(left[first].iov_base) + n;
            left[first].iov_len -= static_cast<std::size_t>(n);
        }
    }
    return true;
}

bool readRegularFile(const std::string& path, std::string& bytes)
{
    bytes.clear();
    const int fd = openRegularFile(path, O_RDONLY);
    if (fd < 0)
        return false;
    const bool read = readToEnd(fd, bytes, bytes.max_size());
    // errno tells why the read ended, whatever the close does.
    const int error = errno;
    ::close(fd);
    errno = error;
    return read;
}

} // namespace platform
