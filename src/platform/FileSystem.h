#pragma once

#include <cstdio>
#include <string>

struct stat;

// File-system queries: whether a path exists or can be read, its mode, the
// current directory and where a file lives. The path is handed to the
// system as it is.
namespace platform {

// The kinds of access that callers test for.
enum class Access { Exists, Read };

// True when path exists (Access::Exists) or can be read (Access::Read).
bool canAccess(const std::string& path, Access access);

// The mode bits of path in mode; false, and mode untouched, when path cannot
// be examined. Symbolic links are followed.
bool fileMode(const std::string& path, unsigned& mode);

// Whether mode (as fileMode reports it) is a regular file's or a
// directory's. The file type is a field of the mode, not a set of flags: a
// socket's type has the bit of both, a block device's the directory's.
bool isRegularFileMode(unsigned mode) noexcept;
bool isDirectoryMode(unsigned mode) noexcept;

// True when the running user (its effective id) or root owns the file that
// info describes: a file nobody else could have put there or changed.
bool ownedByUserOrRoot(const struct stat& info) noexcept;
// The same for the file path names (links followed); false when it cannot
// be examined.
bool ownedByUserOrRoot(const std::string& path);

// The absolute path of the current directory, of whatever length; "" when
// it cannot be had (for instance when it was removed).
std::string currentDirectory();

// Where a file lives: equal identities are one file, whatever names lead
// to it (links, "..", another spelling).
struct FileIdentity {
    unsigned long long device = 0;
    unsigned long long inode = 0;
    bool operator==(const FileIdentity& o) const noexcept { return device == o.device && inode == o.inode; }
};

// The identity of the file path names (links followed); false when it
// cannot be examined.
bool fileIdentity(const std::string& path, FileIdentity& identity);
// The identity of an open file; false when file is null or cannot be
// examined.
bool fileIdentity(std::FILE* file, FileIdentity& identity);

} // namespace platform
