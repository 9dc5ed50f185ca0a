#include "platform/ReplacementFile.h"

#include "platform/FileProbes.h"
#include "platform/LexicalPath.h"
#include "platform/TempFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <set>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace platform {

namespace {

// An unnamed file can be given a name only through /proc (or with a
// capability most processes lack); without it a named file is the way.
bool canNameUnnamedFiles()
{
    static const bool can = ::access("/proc/self/fd", X_OK) == 0;
    return can;
}

// The names of fd's extended attributes; false (errno set) when they
// cannot be listed. A file system that keeps none gives none.
bool attributeNames(int fd, std::vector<std::string>& names)
{
    names.clear();
    for (;;) {
        const ssize_t size = ::flistxattr(fd, nullptr, 0);
        if (size < 0)
            return errno == ENOTSUP;
        if (size == 0)
            return true;
        std::vector<char> list(static_cast<std::size_t>(size));
        const ssize_t got = ::flistxattr(fd, list.data(), list.size());
        if (got >= 0) {
            for (const char* p = list.data(); p < list.data() + got; p += names.back().size() + 1)
                names.emplace_back(p);
            return true;
        }
        if (errno != ERANGE)  // it grew meanwhile: ask again
            return false;
    }
}

// The value of fd's attribute name; false (errno set) when it cannot be read.
bool attributeValue(int fd, const std::string& name, std::vector<char>& value)
{
    for (;;) {
        const ssize_t size = ::fgetxattr(fd, name.c_str(), nullptr, 0);
        if (size < 0)
            return false;
        value.resize(static_cast<std::size_t>(size));
        const ssize_t got = ::fgetxattr(fd, name.c_str(), value.data(), value.size());
        if (got >= 0) {
            value.resize(static_cast<std::size_t>(got));
            return true;
        }
        if (errno != ERANGE)
            return false;
    }
}

// A file capability gives a program run from the file rights of its own.
constexpr char kCapability[] = "security.capability";

// How copyAttributes treats what it cannot copy.
enum class Copy { Every, AsMuchAsMay };

// Gives to the attributes of from, values and all, and takes from it those
// from lacks (a default ACL of the directory, for one). Copy::Every: false
// (errno set) at the first that cannot be copied or taken away.
// Copy::AsMuchAsMay: each that can be, never a file capability; false only
// when the names cannot be listed.
bool copyAttributes(int from, int to, Copy how)
{
    const bool every = how == Copy::Every;
    std::vector<std::string> wanted;
    std::vector<std::string> present;
    if (!attributeNames(to, present) || (from >= 0 && !attributeNames(from, wanted)))
        return false;
    if (!every)
        wanted.erase(std::remove(wanted.begin(), wanted.end(), kCapability), wanted.end());
    for (const std::string& name : present) {
        if (std::find(wanted.begin(), wanted.end(), name) == wanted.end() &&
            ::fremovexattr(to, name.c_str()) != 0 && errno != ENODATA && every)
            return false;
    }
    std::vector<char> value;
    for (const std::string& name : wanted) {
        if ((!attributeValue(from, name, value) || ::fsetxattr(to, name.c_str(), value.data(), value.size(), 0) != 0) &&
            every)
            return false;
    }
    return true;
}

// Gives to the inode flags of from that a user may set.
bool copyInodeFlags(int from, int to)
{
    int wanted = 0;
    int present = 0;
    if (!inodeFlags(from, wanted) || !inodeFlags(to, present))
        return false;
    wanted &= FS_FL_USER_MODIFIABLE;
    // No rename goes over an append-only or immutable file, and a new one
    // with such a flag takes no name.
    if (wanted & (FS_APPEND_FL | FS_IMMUTABLE_FL)) {
        errno = EPERM;
        return false;
    }
    if ((present & FS_FL_USER_MODIFIABLE) == wanted)
        return true;
    int flags = (present & ~FS_FL_USER_MODIFIABLE) | wanted;
    if (::ioctl(to, FS_IOC_SETFLAGS, &flags) != 0 || !inodeFlags(to, present))
        return false;
    if ((present & FS_FL_USER_MODIFIABLE) != wanted) {
        errno = EPERM;
        return false;
    }
    return true;
}

} // namespace

const char kReplacementPrefix[] = ".vantrel-";

ReplacementFile::ReplacementFile() = default;

ReplacementFile::~ReplacementFile()
{
    discard();
    closeDirectory();
}

void ReplacementFile::closeDirectory() noexcept
{
    if (dir_ >= 0 && ownsDir_)
        ::close(dir_);
    dir_ = -1;
    ownsDir_ = false;
}

bool ReplacementFile::open(const std::string& path)
{
    return open(FileAt{AT_FDCWD, path});
}

bool ReplacementFile::open(const FileAt& file)
{
    discard();
    closeDirectory();
    entryName_ = entryPart(file.name);
    if (entryName_.empty() || (file.dir != AT_FDCWD && entryName_ != file.name)) {
        errno = EINVAL;
        return false;
    }
    if (file.dir != AT_FDCWD) {
        dir_ = file.dir;
        if (dir_ < 0)
            errno = EBADF;
        return dir_ >= 0;
    }
    // O_PATH: the directory is only looked up in, so it need not be
    // readable.
    dir_ = ::open(directoryPart(file.name).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    ownsDir_ = dir_ >= 0;
    return dir_ >= 0;
}

void ReplacementFile::removeStaleTemporaries(bool oncePerDirectory) const
{
    // Known by its identity: a run may replace thousands of files in one
    // output directory, and after the first pass every later leftover would
    // be a live process's.
    static std::set<std::pair<dev_t, ino_t>> done;
    struct stat info;
    if (dir_ < 0 || ::fstat(dir_, &info) != 0)
        return;
    if (!oncePerDirectory || done.insert({info.st_dev, info.st_ino}).second)
        platform::removeStaleTemporaries(dir_, kReplacementPrefix);
}

bool ReplacementFile::entry(struct stat& info) const
{
    if (dir_ < 0) {
        errno = EBADF;
        return false;
    }
    return ::fstatat(dir_, entryName_.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0;
}

int ReplacementFile::openEntry() const
{
    if (dir_ < 0) {
        errno = EBADF;
        return -1;
    }
    return openRegularFile(FileAt{dir_, entryName_}, O_RDONLY | O_NOFOLLOW);
}

bool ReplacementFile::create(mode_t mode)
{
    discard();
    if (dir_ < 0) {
        errno = EBADF;
        return false;
    }
    if (canNameUnnamedFiles()) {
        fd_ = ::openat(dir_, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
        if (fd_ >= 0)
            return true;
        // Only a file system without unnamed files sends to a named one: no
        // room or no right would refuse that as well.
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
            return false;
    }
    // A name of our own, never a file someone else made. It exists from the
    // open on, so the signals are held back from before it.
    held_.emplace();
    for (int attempt = 0; attempt < kTemporaryNames; ++attempt) {
        std::string temp = temporaryName(kReplacementPrefix, attempt);
        fd_ = ::openat(dir_, temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd_ >= 0) {
            temp_ = std::move(temp);
            return true;
        }
        if (errno != EEXIST)
            break;
    }
    const int failure = errno;
    held_.reset();
    errno = failure;
    return false;
}

bool ReplacementFile::takeOwnerFrom(const struct stat& info) const
{
    if (fd_ < 0) {
        errno = EBADF;
        return false;
    }
    struct stat made;
    if (::fstat(fd_, &made) != 0)
        return false;
    return (made.st_uid == info.st_uid && made.st_gid == info.st_gid) || ::fchown(fd_, info.st_uid, info.st_gid) == 0;
}

bool ReplacementFile::takeEverythingFrom(int original, const struct stat& info) const
{
    // The owner first: a change of owner clears the set-id bits and file
    // capabilities, which the attributes and the mode then bring back.
    if (!takeOwnerFrom(info))
        return false;
    struct stat made;
    if (!copyAttributes(original, fd_, Copy::Every) || ::fchmod(fd_, info.st_mode & 07777) != 0 || !copyInodeFlags(original, fd_))
        return false;
    // A mode bit the process may not set (set-group-id outside its groups)
    // is dropped without a word.
    if (::fstat(fd_, &made) != 0)
        return false;
    if (made.st_uid != info.st_uid || made.st_gid != info.st_gid || (made.st_mode & 07777) != (info.st_mode & 07777)) {
        errno = EPERM;
        return false;
    }
    return true;
}

void ReplacementFile::takeRightsFrom(int original, const struct stat& info) const
{
    if (fd_ < 0)
        return;
    // Whatever cannot be given leaves the new file's own: it is saved all
    // the same, and owned by the running user grants no one else anything.
    if (!takeOwnerFrom(info))
        (void)::fchown(fd_, static_cast<uid_t>(-1), info.st_gid);
    (void)copyAttributes(original, fd_, Copy::AsMuchAsMay);
    // After the attributes: an ACL copied with the old file's execute
    // rights loses them through its mask.
    (void)::fchmod(fd_, info.st_mode & 0666);
}

bool ReplacementFile::name()
{
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    for (int attempt = 0; attempt < kTemporaryNames; ++attempt) {
        std::string temp = temporaryName(kReplacementPrefix, attempt);
        if (::linkat(AT_FDCWD, self.c_str(), dir_, temp.c_str(), AT_SYMLINK_FOLLOW) == 0 ||
            (errno != EEXIST && ::linkat(fd_, "", dir_, temp.c_str(), AT_EMPTY_PATH) == 0)) {
            temp_ = std::move(temp);
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    return false;
}

bool ReplacementFile::sync() const
{
    if (fd_ < 0) {
        errno = EBADF;
        return false;
    }
    return ::fsync(fd_) == 0 || errno == EINVAL;
}

bool ReplacementFile::commit(bool sync)
{
    if (fd_ < 0) {
        errno = EBADF;
        return false;
    }
    // Only SIGKILL can end the process between the naming and the rename.
    std::optional<BlockedSignals> held;
    if (!held_)
        held.emplace();
    bool done = !sync || this->sync();
    done = done && (!temp_.empty() || name());
    if (done) {
        const int closed = ::close(fd_);
        fd_ = -1;
        done = closed == 0 && ::renameat(dir_, temp_.c_str(), dir_, entryName_.c_str()) == 0;
    }
    if (done) {
        temp_.clear();
        held_.reset();
    } else {
        discard();
    }
    return done;
}

ReplacementFile::Swap ReplacementFile::commitOver(const struct stat& replaced)
{
    if (fd_ < 0) {
        errno = EBADF;
        return Swap::Failed;
    }
    std::optional<BlockedSignals> held;
    if (!held_)
        held.emplace();
    if (temp_.empty() && !name()) {
        discard();
        return Swap::Failed;
    }
    const int closed = ::close(fd_);
    fd_ = -1;
    if (closed != 0 || ::renameat2(dir_, temp_.c_str(), dir_, entryName_.c_str(), RENAME_EXCHANGE) != 0) {
        discard();
        return Swap::Failed;
    }
    // temp_ names what the entry was until now.
    struct stat out;
    if (::fstatat(dir_, temp_.c_str(), &out, AT_SYMLINK_NOFOLLOW) == 0 && out.st_dev == replaced.st_dev &&
        out.st_ino == replaced.st_ino) {
        (void)::unlinkat(dir_, temp_.c_str(), 0);
        temp_.clear();
        held_.reset();
        return Swap::Done;
    }
    // Someone else's file took the name since it was checked: it gets it
    // back, and the new file goes.
    if (::renameat2(dir_, temp_.c_str(), dir_, entryName_.c_str(), RENAME_EXCHANGE) != 0) {
        const int error = errno;
        temp_.clear();  // the name holds that file now, not ours
        held_.reset();
        errno = error;
        return Swap::Failed;
    }
    discard();
    return Swap::NotThatFile;
}

void ReplacementFile::discard() noexcept
{
    const int error = errno;
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temp_.empty()) {
        // The name is ours; should it be gone already, nothing is left.
        (void)::unlinkat(dir_, temp_.c_str(), 0);
        temp_.clear();
    }
    held_.reset();
    errno = error;
}

} // namespace platform
