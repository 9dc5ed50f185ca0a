#pragma once

#include <cstddef>
#include <string>

namespace platform {

// The value of key in [section] of the INI file at path, as the Windows
// profile reader gives it: section and key found without regard to A-Z case,
// the value trimmed of blanks and of one pair of enclosing quotes, cut to
// bufferSize - 1 bytes. defaultValue (cut the same way) when the file cannot
// be read or lacks the key. A path without a directory names no file here:
// there is no system-wide profile directory on this platform.
std::string readProfileString(const std::string& section, const std::string& key,
                              const std::string& defaultValue, const std::string& path,
                              std::size_t bufferSize);

} // namespace platform
