#pragma once

#include <cstdint>

#include <sys/types.h>

// What a writer asks of a file and its file system before it writes: what
// could stop a write part way, and what could report a failed write late.
namespace platform {

// Whether a file may grow to size bytes under the process's file-size
// limit (RLIMIT_FSIZE), which the program never changes: asked once.
bool withinSizeLimit(std::uint64_t size);

// Whether a close of a file on the file system fd lies on (device) may
// report what its writes could not do, as a network file system that
// writes back at close does; a disk file system's close never does. Asked
// once per device.
bool closeMayReportWriteFailure(int fd, dev_t device);

// fd's inode flags (those chattr sets) in flags, 0 where the file system
// keeps none; false (errno set) when they cannot be asked for.
bool inodeFlags(int fd, int& flags);
// Whether fd's inode flags include one of flags.
bool hasInodeFlag(int fd, int flags);

} // namespace platform
