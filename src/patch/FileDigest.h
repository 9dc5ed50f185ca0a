#pragma once

#include <string>

/// The content digest that decides whether a file changed: of the baseline
/// (the cache's stamp) and of every file the diagnostics name.
namespace FileDigest {

// The MD5 hex digest (32 lower-case digits) of the regular file at path
// (native bytes, links followed); empty when it cannot be opened or read to
// its end, and for any other kind of file: reading a FIFO or a device may
// block or never end.
std::string ofRegularFile(const std::string& path);
// The same for the bytes left to read of fd, which stays open; empty when
// a read fails.
std::string ofOpenFile(int fd);

// The MD5 hex digest of the bytes of text (of at most 4 GiB).
std::string ofText(const std::string& text);

} // namespace FileDigest
