#pragma once

#include <cstdio>
#include <string>

namespace platform {

// A name "<directory>/<prefix><unique suffix>" of a file that did not exist
// when it was made; "" when the directory is not a writable directory or no
// free name was found. No file is created.
std::string temporaryName(const std::string& directory, const std::string& prefix);

// Creates path for writing, exclusively (never following a planted link,
// never truncating someone else's file), mode 0600. The stream, or null
// when the file exists already or cannot be made.
std::FILE* createExclusive(const std::string& path, bool binary);

} // namespace platform
