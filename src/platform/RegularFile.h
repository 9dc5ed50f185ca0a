#pragma once

#include "platform/FileAt.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <sys/types.h>

struct stat;

// Opening a file that comes from outside (a message file, patch.xml, an
// option or configuration file, a file to digest): a FIFO, a device or a
// directory can be opened too, and opening or reading one may block for
// ever, act on a device or never end; and a link planted by the owner of a
// directory may lead a run of another user to a file that owner could not
// open. Every such file is opened here, and only a regular file is: the
// name is looked up without opening anything (openPathAt, which follows a
// link only by its rule), and the file it leads to is opened through that
// lookup's descriptor, so a name flipped meanwhile is never opened again.
namespace platform {

// A read-only descriptor (close-on-exec) of the regular file path names
// (links followed by openPathAt's rule), which the caller closes; -1 when
// path cannot be opened or is no regular file (errno EINVAL then,
// kRefusedLink for a link the rule refuses). Opening never blocks: a FIFO
// without a writer is refused at once, like a device; neither is opened.
int openRegularFile(const std::string& path);

// The same for any access: flags are those of open(2), one of O_RDONLY,
// O_WRONLY or O_RDWR with any of O_CREAT (mode 0666 less the umask),
// O_TRUNC, O_APPEND and O_NOFOLLOW (a symbolic link as the last component is
// refused, ELOOP). A file that exists is opened only when it is a regular
// file, and emptied (O_TRUNC) only once the descriptor shows it is one; a
// file that does not is made exclusively (O_CREAT), never through a link.
// The descriptor is close-on-exec, never the controlling terminal, and,
// when open for writing, blocking again once open (a regular file's reads
// take no notice of O_NONBLOCK). info, when given, receives its state after the
// open. -1 with the errno of the failing call, EINVAL for what is no
// regular file, ENOENT for a name that holds a NUL byte (no file has one).
int openRegularFile(const std::string& path, int flags, struct stat* info = nullptr);
// The same for file, looked up in its directory only.
int openRegularFile(const FileAt& file, int flags, struct stat* info = nullptr);

// The regular file fd is open on (as openRegularFile gave it), opened
// again with flags as openRegularFile takes them but O_CREAT, O_TRUNC and
// O_NOFOLLOW: the same file, whatever its name leads to now. -1 (errno
// set) when it cannot be.
int reopenRegularFile(int fd, int flags, struct stat* info = nullptr);

// The regular file path names, open for reading as a stream; null (errno
// as openRegularFile) when it is none or cannot be opened.
std::FILE* openRegularStream(const std::string& path);
// The same, with the opened file's state in info (when not null).
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

// The size bytes of fd from offset on into bytes, in as many reads as the
// kernel needs; false (errno set, EINVAL when the file ends first) when
// they cannot all be read.
bool readAt(int fd, off_t offset, std::size_t size, std::string& bytes);

// Hands all size bytes at data to fd, in as many writes as the kernel
// needs: at fd's position, or from offset on where that is not negative.
// False (errno set, EIO for a write that took nothing) at the first that
// fails. Safe in a signal handler.
bool writeAll(int fd, const char* data, std::size_t size, off_t offset = -1) noexcept;
// The same for several pieces, one after another, in as few writes as the
// kernel takes (one, most often).
bool writeAll(int fd, const std::vector<std::string_view>& pieces);

} // namespace platform
