#pragma once

#include <string>
#include <vector>

// What /proc tells of this process's open descriptors: a library that opens
// files by name (SQLite) can be checked afterwards for what it opened.
namespace platform {

// The descriptors open in this process, in ascending order; empty when
// /proc cannot be read.
std::vector<int> openDescriptors();

// The path the kernel knows fd by now (its current name, links resolved);
// "" when it cannot be read or the file has no name any more.
std::string pathOfDescriptor(int fd);

} // namespace platform
