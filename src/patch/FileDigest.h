#pragma once

#include <string>

#include <sys/stat.h>
#include <time.h>

/// The content digest that decides whether a file changed: of the baseline
/// (the cache's stamp) and of every file the diagnostics name.
namespace FileDigest {

// The MD5 hex digest (32 lower-case digits) of the regular file at path
// (native bytes, links followed as platform::openPathAt allows); empty
// (errno set) when it cannot be opened or read to its end, and for any
// other kind of file: reading a FIFO or a device may block or never end.
std::string ofRegularFile(const std::string& path);
// The same for the bytes left to read of fd, which stays open; empty when
// a read fails.
std::string ofOpenFile(int fd);

/// A digest of a file with what it was taken of: the file's state when its
/// reading began, and the moment that was.
struct Taken {
    // As ofRegularFile gives it; the rest says nothing while it is empty.
    std::string hash;
    struct stat state {};
    struct timespec at {};
};
// The digest of the regular file at path, as ofRegularFile.
Taken take(const std::string& path);
// Whether the file at path is still the one taken was taken of: the same
// file (device, inode) of the same size and times where those can tell,
// and where they cannot (the file was changed so shortly before the digest
// that a change after it could leave its times as they were), the same
// bytes, digested again. False when taken has no digest or the file cannot
// be read.
bool isStillTheFile(const std::string& path, const Taken& taken);

// The MD5 hex digest of the bytes of text (of at most 4 GiB).
std::string ofText(const std::string& text);

} // namespace FileDigest
