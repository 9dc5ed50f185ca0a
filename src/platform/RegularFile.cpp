#include "platform/RegularFile.h"

#include "platform/LexicalPath.h"
#include "platform/PathLookup.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <pthread.h>
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

// Tries a few times to open a name that another process keeps creating
// and removing while it is opened with O_CREAT.
constexpr int kCreateAttempts = 8;

// A new regular file at file's name, made exclusively: never a file that
// exists, nor through a link. The directories on the way are looked up as
// openPathAt does. -1 (errno set) when it cannot be made.
int createNew(const FileAt& file, int flags)
{
    const std::string entry = entryPart(file.name);
    if (entry.empty()) {
        errno = EISDIR;
        return -1;
    }
    int dir = file.dir;
    if (entry != file.name) {
        dir = openPathAt(FileAt{file.dir, directoryPart(file.name)}, true);
        if (dir < 0)
            return -1;
    }
    const int made = ::openat(dir, entry.c_str(),
                              (flags & (O_ACCMODE | O_APPEND)) | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK |
                                  O_NOCTTY | O_CLOEXEC,
                              0666);
    const int error = errno;
    if (dir != file.dir)
        ::close(dir);
    errno = error;
    return made;
}

// Whether file's last component is a symbolic link.
bool isLink(const FileAt& file)
{
    struct stat state;
    return ::fstatat(file.dir, file.name.c_str(), &state, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(state.st_mode);
}

// This process's descriptor directory, kept open: a child made by fork
// has a directory of its own, which it opens anew.
int descriptorDirectory = -1;

void forgetDescriptorDirectory()
{
    if (descriptorDirectory >= 0)
        ::close(descriptorDirectory);
    descriptorDirectory = -1;
}

// The file that path (an O_PATH descriptor) is open on, opened with flags
// through the process's descriptor directory.
int reopen(int path, int flags)
{
    static const bool forgottenInChildren = ::pthread_atfork(nullptr, nullptr, &forgetDescriptorDirectory) == 0;
    if (descriptorDirectory < 0 || !forgottenInChildren) {
        forgetDescriptorDirectory();
        descriptorDirectory = ::open("/proc/self/fd", O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (descriptorDirectory < 0)
            return -1;
    }
    const int fd = ::openat(descriptorDirectory, std::to_string(path).c_str(), flags);
    if (!forgottenInChildren)
        forgetDescriptorDirectory();
    return fd;
}

// Makes the regular file open at fd what the caller asked for: emptied
// (O_TRUNC), blocking again and its state in info. looked, when given, is
// its state from the lookup just before, which stands for it unless it is
// emptied. -1 (errno set, fd closed) when that fails.
int finishOpen(int fd, int flags, struct stat* info, const struct stat* looked = nullptr)
{
    struct stat state;
    if (looked && !(flags & O_TRUNC)) {
        state = *looked;
    } else {
        if (::fstat(fd, &state) != 0)
            return closeFailed(fd, errno);
        if (!S_ISREG(state.st_mode))
            return closeFailed(fd, EINVAL);
    }
    if ((flags & O_TRUNC) && state.st_size != 0) {
        if (::ftruncate(fd, 0) != 0)
            return closeFailed(fd, errno);
        state.st_size = 0;
    }
    // The open did not wait (for a lease to be broken, say); writes to the
    // file may. A regular file's reads take no notice of O_NONBLOCK: a
    // reader is left as it is.
    if ((flags & O_ACCMODE) != O_RDONLY && ::fcntl(fd, F_SETFL, flags & O_APPEND) != 0)
        return closeFailed(fd, errno);
    if (info)
        *info = state;
    return fd;
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
    // What the name leads to is looked at through a descriptor that opens
    // nothing (a tape would rewind, a terminal become ours, a FIFO wait),
    // and only a regular file is then opened, through that descriptor: a
    // name flipped meanwhile to anything else is never opened.
    // The system would take the name only up to the NUL: another file.
    if (file.name.find('\0') != std::string::npos) {
        errno = ENOENT;
        return -1;
    }
    const bool followLast = !(flags & O_NOFOLLOW);
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        const int path = openPathAt(file, followLast);
        if (path < 0) {
            if (errno != ENOENT || !(flags & O_CREAT))
                return -1;
            const int made = createNew(file, flags);
            if (made >= 0)
                return finishOpen(made, flags & ~O_TRUNC, info);
            if (errno != EEXIST)
                return -1;
            // A link that leads nowhere is not created through; anything
            // else was made meanwhile by someone else and is looked at
            // afresh.
            if (isLink(file)) {
                errno = ENOENT;
                return -1;
            }
            continue;
        }
        struct stat state;
        if (::fstat(path, &state) != 0)
            return closeFailed(path, errno);
        if (S_ISLNK(state.st_mode))
            return closeFailed(path, ELOOP);
        if (!S_ISREG(state.st_mode))
            return closeFailed(path, EINVAL);
        const int fd = reopen(path, (flags & (O_ACCMODE | O_APPEND)) | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        const int error = errno;
        ::close(path);
        if (fd < 0) {
            errno = error;
            return -1;
        }
        return finishOpen(fd, flags, info, &state);
    }
    // Only a name that someone keeps making and taking away again ends here.
    errno = EAGAIN;
    return -1;
}

int reopenRegularFile(int fd, int flags, struct stat* info)
{
    const int open = reopen(fd, (flags & (O_ACCMODE | O_APPEND)) | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    return open < 0 ? -1 : finishOpen(open, flags & (O_ACCMODE | O_APPEND), info);
}

std::FILE* openRegularStream(const std::string& path)
{
    return openRegularStream(path, nullptr);
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

bool readAt(int fd, off_t offset, std::size_t size, std::string& bytes)
{
    bytes.resize(size);
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::pread(fd, &bytes[got], size - got, offset + static_cast<off_t>(got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EINVAL;
            return false;
        }
        got += static_cast<std::size_t>(n);
    }
    return true;
}

bool writeAll(int fd, const char* data, std::size_t size, off_t offset) noexcept
{
    while (size != 0) {
        const ssize_t n = offset < 0 ? ::write(fd, data, size) : ::pwrite(fd, data, size, offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
        if (offset >= 0)
            offset += n;
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
