#pragma once

#include "platform/FileAt.h"

#include <cerrno>
#include <string>

struct stat;

// Looking a name up as the kernel does, but following a symbolic link only
// where its owner could not use it to reach another user's file: a run may
// be root's over a directory that another user owns, and a link there must
// not lead root to a file that user could not read or write itself. The
// kernel applies the same rule in sticky directories (protected_symlinks);
// here it holds in every directory, for every link on the way.
namespace platform {

// errno for a symbolic link that the rule does not follow.
constexpr int kRefusedLink = ENOLINK;
// errno for a directory name that leads elsewhere than when it was first
// opened.
constexpr int kSwappedDirectory = ESTALE;

// Whether a link in the state link may be followed to the file in the state
// target: the link is the running user's or root's, or its owner owns the
// target too.
bool mayFollowLink(const struct stat& link, const struct stat& target) noexcept;

// An O_PATH descriptor (close-on-exec) of the file file names, which the
// caller closes: opened without any effect on it (a device is not opened,
// a FIFO not waited on), every link on the way followed only where
// mayFollowLink allows, and a link as the last component followed only
// where followLast is set (else the descriptor is the link's). -1 with
// errno otherwise: kRefusedLink for a link the rule refuses, ELOOP for more
// than 40 links, or the errno of the lookup that failed (ENOENT, ENOTDIR,
// EACCES, EMFILE, ...).
int openPathAt(const FileAt& file, bool followLast);

// The text of error for a log: its own words for kRefusedLink and
// kSwappedDirectory, the system's otherwise.
std::string openFailureText(int error);

} // namespace platform
