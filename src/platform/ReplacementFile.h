#pragma once

#include "platform/BlockedSignals.h"

#include <functional>
#include <memory>
#include <string>

#include <sys/stat.h>
#include <sys/types.h>

namespace platform {

// The file that replacing path must replace, in target: path itself when it
// is not a symbolic link (whether or not it exists), else the file the link
// leads to in the end, so that the link stays a link. False (errno set) when
// path is a link that leads nowhere (to nothing, in a loop): replacing it
// would put a regular file where the link was.
bool replacementTarget(const std::string& path, std::string& target);

// The directory of path: "." for a bare name, "/" for a name in the root.
std::string directoryOf(const std::string& path);

// Removes, in directory, the new files that replacements left when their
// process was killed between naming and renaming them: the names
// "<base>.<pid>.<n>.tmp" whose process has ended and whose base accept
// takes. A file of a live process may be a replacement under way and stays.
// One pass over the directory; nothing happens when it cannot be read.
void removeStaleReplacements(const std::string& directory, const std::function<bool(const std::string&)>& accept);

/// A new file beside a target that takes the target's place in one rename
/// once it is complete. Until then the target is untouched, and the new file
/// has no name where the file system allows (O_TMPFILE), so a process killed
/// while it writes leaves nothing behind. Elsewhere it is created under a
/// name of its own, exclusively ("<target>.<pid>.<n>.tmp"); the catchable
/// signals are then held back until the file is renamed or removed, so that
/// the program's own handling of them never leaves it named. Only SIGKILL in
/// the instant between naming and renaming can leave such a name, which
/// removeStaleReplacements clears later.
class ReplacementFile {
public:
    ReplacementFile();
    // Removes the new file when it was not committed.
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    // Creates the new file, open for reading and writing, in the directory
    // of target (a path replacementTarget gave), with mode (less the umask).
    // False (errno set) when no file can be made there: EACCES, EPERM or
    // EROFS when the directory takes no new file.
    bool create(const std::string& target, mode_t mode);
    // The new file's descriptor; -1 before create and after commit.
    int fd() const noexcept { return fd_; }
    // Gives the new file the permission bits of info and, where the process
    // may, its owner and group; what cannot be set is left as it is.
    void takeAttributes(const struct stat& info) const;
    // Gives the new file the permission bits of info only.
    void takeMode(const struct stat& info) const;
    // Syncs the new file when sync is set (a file system that cannot sync
    // counts as synced), names it and renames it over the target, with the
    // catchable signals held back from the naming to the rename. False
    // (errno set) when a step failed: the new file is then removed and the
    // target untouched.
    bool commit(bool sync);
    // Removes the new file; nothing when there is none.
    void discard() noexcept;

private:
    // Gives the unnamed file a name beside the target; false when it cannot.
    bool name();

    std::string target_;
    std::string temp_;  // the new file's name; empty while it has none
    int fd_ = -1;
    std::unique_ptr<BlockedSignals> held_;  // while a name of ours exists
};

} // namespace platform
