#pragma once

#include <string>

// File-system queries in place of the runtime calls _access, _stat and
// _getcwd: the path is handed to the system as it is.
namespace platform {

// The kinds of access that callers test for.
enum class Access { Exists, Read };

// Mode bits that stat reports for a regular file and a directory; the same
// values as those of the Windows runtime.
constexpr unsigned kModeRegularFile = 0x8000;
constexpr unsigned kModeDirectory = 0x4000;

// True when path exists (Access::Exists) or can be read (Access::Read).
bool canAccess(const std::string& path, Access access);

// The mode bits of path in mode; false, and mode untouched, when path cannot
// be examined. Symbolic links are followed.
bool fileMode(const std::string& path, unsigned& mode);

// The absolute path of the current directory, of whatever length; "" when
// it cannot be had (for instance when it was removed).
std::string currentDirectory();

} // namespace platform
