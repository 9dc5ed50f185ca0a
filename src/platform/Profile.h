#pragma once

#include <cstddef>
#include <string>

namespace platform {

// The value of key in [section] of the INI file at path: section and key
// found without regard to A-Z case, the value trimmed of blanks and of one
// pair of enclosing quotes, cut to bufferSize - 1 bytes. defaultValue (cut
// the same way) when the file cannot be read, is no regular file or lacks
// the key. A path without a directory names no file: vantrel keeps no
// profile directory of its own.
std::string readProfileString(const std::string& section, const std::string& key,
                              const std::string& defaultValue, const std::string& path,
                              std::size_t bufferSize);

} // namespace platform
