#pragma once

#include <string>

// Opening a file that is to be read to its end (a digest, the patch cache): a
// FIFO, device or directory opens on Linux, and reading one may block for
// ever or never end.
namespace platform {

// A read-only descriptor (close-on-exec) of the regular file path names
// (links followed), which the caller closes; -1 when path cannot be opened
// or is no regular file (errno EINVAL then). Opening never blocks: a FIFO
// without a writer is refused at once, like a device; neither is opened.
int openRegularFile(const std::string& path);

} // namespace platform
