#pragma once

#include <cstdio>
#include <string>

#include <sys/types.h>

// The program's own temporary files: converted copies of input files and the
// new files that replace message files and "patch.xml". All are named in one
// way, "<prefix><process id, 10 digits>-<number, 2 digits>.tmp": of one
// length for a prefix, so a name fits wherever the file it stands for does,
// and telling which process made it, so that what a killed run left behind
// can be told from what a live one is still writing.
namespace platform {

// The number of names one process has for one prefix in one directory.
constexpr int kTemporaryNames = 100;

// The name (no directory) numbered number (0 to 99) of this process.
std::string temporaryName(const std::string& prefix, int number);

// The process whose temporary name with prefix name is; 0 when it is none.
pid_t processOfTemporaryName(const std::string& name, const std::string& prefix);

// Removes, in the directory dirfd, the files that processes which have
// ended left under temporary names of prefix: only regular files of exactly
// that form, owned by the running user, whose process is gone (one of a
// live process may be a file being written). One pass over the directory;
// nothing happens when it cannot be read.
void removeStaleTemporaries(int dirfd, const std::string& prefix);

// "<directory>/<a temporary name of prefix>" that did not exist when it was
// made; "" when the directory is not a writable directory or every name of
// this process is taken. No file is created. The first call for a directory
// in a process removes the stale temporaries of prefix there.
std::string temporaryName(const std::string& directory, const std::string& prefix);

// Creates path for writing, exclusively (never following a planted link,
// never truncating someone else's file), mode 0600. The stream, or null
// when the file exists already or cannot be made.
std::FILE* createExclusive(const std::string& path, bool binary);

} // namespace platform
