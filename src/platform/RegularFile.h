#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include <fcntl.h>

struct stat;

// Opening a file that comes from outside (a message file, patch.xml, an
// option or configuration file, a file to digest): a FIFO, a device or a
// directory can be opened too, and opening or reading one may block for
// ever, act on a device or never end. Every such file is opened here, and
// only a regular file is.
namespace platform {

/// A file named relative to a directory: name is looked up in dir and
/// nowhere else. dir is an open directory's descriptor (name then one entry
/// of it), or AT_FDCWD (name then any path, as open(2) takes it).
struct FileAt {
    int dir = AT_FDCWD;
    std::string name;
};

// A read-only descriptor (close-on-exec) of the regular file path names
// (links followed), which the caller closes; -1 when path cannot be opened
// or is no regular file (errno EINVAL then). Opening never blocks: a FIFO
// without a writer is refused at once, like a device; neither is opened.
int openRegularFile(const std::string& path);

// The same for any access: flags are those of open(2), one of O_RDONLY,
// O_WRONLY or O_RDWR with any of O_CREAT (mode 0666 less the umask),
// O_TRUNC, O_APPEND and O_NOFOLLOW (a symbolic link as the last component is
// refused, ELOOP). A file that exists is opened only when it is a regular
// file, and emptied (O_TRUNC) only once the descriptor shows it is one. The
// descriptor is close-on-exec, never the controlling terminal, and blocking
// again once open. info, when given, receives its state after the open. -1
// with the errno of the failing call, EINVAL for what is no regular file.
int openRegularFile(const std::string& path, int flags, struct stat* info = nullptr);
// The same for file, looked up in its directory only.
int openRegularFile(const FileAt& file, int flags, struct stat* info = nullptr);

// The regular file path names, open for reading as a stream; null (errno
// as openRegularFile) when it is none or cannot be opened.
std::FILE* openRegularStream(const std::string& path);
// The same, with the opened descriptor's state in info.
std::FILE* openRegularStream(const std::string& path, struct stat* info);

// Reads the whole regular file path names into bytes; false (errno set)
// when it cannot be opened or a read fails.
bool readRegularFile(const std::string& path, std::string& bytes);

// Appends what is left of fd, to its end, to bytes; false (errno set) when
// a read fails, or (EFBIG) when bytes would hold more than limit bytes.
bool readToEnd(int fd, std::string& bytes, std::size_t limit);

// Whether a and b are one file with the same size and times: unchanged, as
// far as anything but reading its bytes can tell.
bool sameFileState(const struct stat& a, const struct stat& b) noexcept;

// Hands all size bytes at data to fd, in as many writes as the kernel
// needs; false (errno set, EIO for a write that took nothing) at the first
// that fails. Safe in a signal handler.
bool writeAll(int fd, const char* data, std::size_t size) noexcept;
// The same for several pieces, one after another, in as few writes as the
// kernel takes (one, most often).
bool writeAll(int fd, const std::vector<std::string_view>& pieces);

} // namespace platform
