#pragma once

#include "platform/BlockedSignals.h"
#include "platform/RegularFile.h"

#include <optional>
#include <string>

#include <sys/stat.h>
#include <sys/types.h>

namespace platform {

// The prefix of the temporary names of new files (see TempFile.h): a new
// file that SIGKILL ended its process with between naming and renaming it
// stays as ".vantrel-<pid>-<nn>.tmp" until a later run removes it.
extern const char kReplacementPrefix[];

/// A new file that takes the place of one directory entry in one rename once
/// it is complete. The entry's directory is opened once, and the entry is
/// looked at, the new file made and the rename done through that one
/// descriptor: no name is resolved again on the way, and what is replaced is
/// the entry itself, never what a link there leads to. Until the rename the
/// entry is untouched, and the new file has no name where the file system
/// allows (O_TMPFILE), so a process killed while it writes leaves nothing
/// behind. Elsewhere, and from its naming to the rename, it has a temporary
/// name of fixed length (kReplacementPrefix), made exclusively, with every
/// signal held back, so that only SIGKILL can leave that name behind.
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
    // The entry file.name of the open directory file.dir, which stays the
    // caller's (AT_FDCWD: as open(file.name)). False (errno set) as above.
    bool open(const FileAt& file);
    // Removes the stale temporaries of kReplacementPrefix in the directory;
    // when oncePerDirectory is set, only the first time this process asks
    // for that directory.
    void removeStaleTemporaries(bool oncePerDirectory) const;
    // The entry as it is now, a symbolic link not followed; false (errno
    // set, ENOENT when there is none).
    bool entry(struct stat& info) const;
    // A read-only descriptor of the entry, which the caller closes, when it
    // is a regular file (never through a link, never blocking); -1 (errno
    // set) otherwise.
    int openEntry() const;

    // Creates the new file, open for reading and writing, in the directory,
    // with mode (less the umask). False (errno set) when no file can be made
    // there: EACCES, EPERM or EROFS when the directory takes none, ENOSPC or
    // EDQUOT when there is no room for one.
    bool create(mode_t mode);
    // The new file's descriptor; -1 before create and after commit.
    int fd() const noexcept { return fd_; }
    // Gives the new file the owner and group of info; false (errno set)
    // when the process may not. Asked before the bytes are written, so that
    // a file that cannot be the old one costs no copy.
    bool takeOwnerFrom(const struct stat& info) const;
    // Makes the new file the file original is (an open descriptor whose
    // state is info) in every respect but its bytes: owner and group,
    // permission bits, every extended attribute (ACLs among them) and no
    // other, the inode flags. False (errno set) when any of them cannot be
    // made the same, as for a file the process may not give away, or one
    // that is append-only or immutable. Called once the bytes are written:
    // a write clears set-id bits and file capabilities.
    bool takeEverythingFrom(int original, const struct stat& info) const;
    // Gives the new file, where it may, what the old one (original, -1 when
    // it cannot be read; its state info) grants and nothing more: its owner
    // and group, else the group alone; its extended attributes and ACL but a
    // file capability; its permission bits less the set-user-id,
    // set-group-id, sticky and execute bits. Called once the bytes are
    // written.
    void takeRightsFrom(int original, const struct stat& info) const;
    // Writes the new file's bytes through to the disk (a file system that
    // cannot sync counts as synced); false (errno set) when that failed.
    bool sync() const;
    // Syncs the new file when sync is set, names it and renames it over the
    // entry, every signal held back from the naming to the rename. False
    // (errno set) when a step failed: the new file is then removed and the
    // entry untouched.
    bool commit(bool sync);
    // What came of commitOver.
    enum class Swap { Done, NotThatFile, Failed };
    // Names the new file and swaps it with the entry in one step
    // (RENAME_EXCHANGE), then removes what was swapped out, only where that
    // is the file whose state is replaced (same device and inode): a file
    // renamed over the entry after it was checked is never replaced. Where
    // it is another, the two are swapped back and NotThatFile is given.
    // Failed (errno set; EINVAL where the file system swaps no names) when
    // a step failed. Either way but Done the new file is removed and the
    // entry is as it was, but where even the swap back failed: the entry
    // then holds the new file, and the other one keeps the temporary name.
    Swap commitOver(const struct stat& replaced);
    // Removes the new file; nothing when there is none. errno is kept.
    void discard() noexcept;

private:
    // Gives the unnamed file a temporary name; false when it cannot.
    bool name();
    // Lets go of the directory, closing it when it was opened here.
    void closeDirectory() noexcept;

    int dir_ = -1;
    bool ownsDir_ = false;
    std::string entryName_;
    std::string temp_;  // the new file's name; empty while it has none
    int fd_ = -1;
    std::optional<BlockedSignals> held_;  // while a name of ours exists
};

} // namespace platform
