#pragma once

#include "platform/BlockedSignals.h"

#include <optional>
#include <string>

#include <sys/stat.h>
#include <sys/types.h>

namespace platform {

// Removes, in the directory dirfd, the new files that replacements left
// under their temporary names when SIGKILL ended their process between
// naming and renaming them. Only names that vantrel alone makes
// (".vantrel-<pid, 10 digits>-<attempt, 2 digits>.tmp") are looked at, and
// only regular files of that name that the running user owns and whose
// process has ended are removed: one of a live process may be a
// replacement under way. One pass over the directory; nothing happens when
// it cannot be read.
void removeStaleReplacements(int dirfd);

/// A new file that takes the place of one directory entry in one rename once
/// it is complete. The entry's directory is opened once, and the entry is
/// looked at, the new file made and the rename done through that one
/// descriptor: no name is resolved again on the way, and what is replaced is
/// the entry itself, never what a link there leads to. Until the rename the
/// entry is untouched, and the new file has no name where the file system
/// allows (O_TMPFILE), so a process killed while it writes leaves nothing
/// behind. Elsewhere, and from its naming to the rename, it has a temporary
/// name of fixed length (see removeStaleReplacements), made exclusively, with
/// every signal held back, so that only SIGKILL can leave that name behind.
class ReplacementFile {
public:
    ReplacementFile();
    // Removes the new file when it was not committed.
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    // Opens the directory of path, whose last name is the entry to replace.
    // False (errno set) when the directory cannot be opened or path names
    // no entry of one (it ends in "/", ".." or ".").
    bool open(const std::string& path);
    // Removes the stale temporaries in the directory (removeStaleReplacements);
    // when oncePerDirectory is set, only the first time this process asks
    // for a directory of that name.
    void removeStaleTemporaries(bool oncePerDirectory) const;
    // The entry as it is now, a symbolic link not followed; false (errno
    // set, ENOENT when there is none).
    bool entry(struct stat& info) const;

    // Creates the new file, open for reading and writing, in the directory,
    // with mode (less the umask). False (errno set) when no file can be made
    // there: EACCES, EPERM or EROFS when the directory takes none, ENOSPC or
    // EDQUOT when there is no room for one.
    bool create(mode_t mode);
    // The new file's descriptor; -1 before create and after commit.
    int fd() const noexcept { return fd_; }
    // Makes the new file the file original is (an open descriptor whose
    // state is info) in every respect but its bytes: owner and group,
    // permission bits, every extended attribute (ACLs among them) and no
    // other, the inode flags. False (errno set) when any of them cannot be
    // made the same, as for a file the process may not give away, or one
    // that is append-only or immutable.
    bool takeEverythingFrom(int original, const struct stat& info) const;
    // Gives the new file the permission bits of info only, where it may.
    void takeMode(const struct stat& info) const;
    // Syncs the new file when sync is set (a file system that cannot sync
    // counts as synced), names it and renames it over the entry, every
    // signal held back from the naming to the rename. False (errno set) when
    // a step failed: the new file is then removed and the entry untouched.
    bool commit(bool sync);
    // Removes the new file; nothing when there is none. errno is kept.
    void discard() noexcept;

private:
    // Gives the unnamed file a temporary name; false when it cannot.
    bool name();

    int dir_ = -1;
    std::string directory_;
    std::string entryName_;
    std::string temp_;  // the new file's name; empty while it has none
    int fd_ = -1;
    std::optional<BlockedSignals> held_;  // while a name of ours exists
};

} // namespace platform
