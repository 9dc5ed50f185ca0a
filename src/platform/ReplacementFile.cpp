#include "platform/ReplacementFile.h"

#include "platform/LexicalPath.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <set>
#include <utility>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace platform {

namespace {

// ".vantrel-" + 10 digits of pid + "-" + 2 digits of attempt + ".tmp": of
// one length whatever the name it replaces, so that it fits wherever that
// name does, and of a form no other program's files take.
constexpr char kPrefix[] = ".vantrel-";
constexpr std::size_t kPrefixLength = sizeof kPrefix - 1;
constexpr std::size_t kNameLength = kPrefixLength + 10 + 1 + 2 + 4;
constexpr int kAttempts = 100;

std::string temporaryName(int attempt)
{
    // A pid_t has at most 10 digits, and attempt at most 2.
    char name[64];
    std::snprintf(name, sizeof name, "%s%010ld-%02d.tmp", kPrefix, static_cast<long>(::getpid()), attempt);
    return name;
}

bool digitsAt(const std::string& text, std::size_t from, std::size_t count)
{
    return std::all_of(text.begin() + static_cast<std::ptrdiff_t>(from),
                       text.begin() + static_cast<std::ptrdiff_t>(from + count),
                       [](char c) { return c >= '0' && c <= '9'; });
}

// The process whose temporary name is name; 0 when name is none of ours.
pid_t processOfTemporaryName(const std::string& name)
{
    if (name.size() != kNameLength || name.compare(0, kPrefixLength, kPrefix) != 0 ||
        !digitsAt(name, kPrefixLength, 10) || name[kPrefixLength + 10] != '-' ||
        !digitsAt(name, kPrefixLength + 11, 2) || name.compare(kNameLength - 4, 4, ".tmp") != 0)
        return 0;
    const long long pid = std::stoll(name.substr(kPrefixLength, 10));
    return pid > 0 && pid <= 0x7FFFFFFF ? static_cast<pid_t>(pid) : 0;
}

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

// Gives to the attributes of from, values and all, and takes from it those
// from lacks (a default ACL of the directory, for one).
bool copyAttributes(int from, int to)
{
    std::vector<std::string> wanted;
    std::vector<std::string> present;
    if (!attributeNames(from, wanted) || !attributeNames(to, present))
        return false;
    for (const std::string& name : present) {
        if (std::find(wanted.begin(), wanted.end(), name) == wanted.end() &&
            ::fremovexattr(to, name.c_str()) != 0 && errno != ENODATA)
            return false;
    }
    std::vector<char> value;
    for (const std::string& name : wanted) {
        if (!attributeValue(from, name, value) || ::fsetxattr(to, name.c_str(), value.data(), value.size(), 0) != 0)
            return false;
    }
    return true;
}

// fd's inode flags (those chattr sets); 0 where the file system keeps none.
bool inodeFlags(int fd, int& flags)
{
    flags = 0;
    if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0)
        return true;
    flags = 0;
    return errno == ENOTTY || errno == ENOTSUP || errno == EINVAL || errno == ENOSYS;
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

void removeStaleReplacements(int dirfd)
{
    // A descriptor of its own: the directory's may be one that reads no
    // entries (O_PATH), and reading moves a descriptor's position.
    const int listFd = ::openat(dirfd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listFd < 0)
        return;
    DIR* list = ::fdopendir(listFd);
    if (!list) {
        ::close(listFd);
        return;
    }
    const uid_t me = ::geteuid();
    while (const dirent* entry = ::readdir(list)) {
        const pid_t pid = processOfTemporaryName(entry->d_name);
        struct stat info;
        if (pid == 0 || ::fstatat(dirfd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(info.st_mode) || info.st_uid != me)
            continue;
        if (::kill(pid, 0) == 0 || errno != ESRCH)
            continue;
        // Another run may have removed it first: nothing to tell then.
        (void)::unlinkat(dirfd, entry->d_name, 0);
    }
    ::closedir(list);
}

ReplacementFile::ReplacementFile() = default;

ReplacementFile::~ReplacementFile()
{
    discard();
    if (dir_ >= 0)
        ::close(dir_);
}

bool ReplacementFile::open(const std::string& path)
{
    discard();
    if (dir_ >= 0)
        ::close(dir_);
    const std::size_t slash = path.rfind('/');
    entryName_ = slash == std::string::npos ? path : path.substr(slash + 1);
    if (entryName_.empty() || entryName_ == "." || entryName_ == "..") {
        dir_ = -1;
        errno = EINVAL;
        return false;
    }
    // O_PATH: the directory is only looked up in, so it need not be
    // readable.
    directory_ = directoryPart(path);
    dir_ = ::open(directory_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    return dir_ >= 0;
}

void ReplacementFile::removeStaleTemporaries(bool oncePerDirectory) const
{
    // Known by its name, which is the same for every file of one output
    // directory: a run may replace thousands of files in one, and after
    // the first pass every later leftover would be a live process's.
    static std::set<std::string> done;
    if (dir_ >= 0 && (!oncePerDirectory || done.insert(directory_).second))
        removeStaleReplacements(dir_);
}

bool ReplacementFile::entry(struct stat& info) const
{
    if (dir_ < 0) {
        errno = EBADF;
        return false;
    }
    return ::fstatat(dir_, entryName_.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0;
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
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::string temp = temporaryName(attempt);
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

bool ReplacementFile::takeEverythingFrom(int original, const struct stat& info) const
{
    if (fd_ < 0) {
        errno = EBADF;
        return false;
    }
    struct stat made;
    if (::fstat(fd_, &made) != 0)
        return false;
    // The owner first: a change of owner clears the set-id bits and file
    // capabilities, which the attributes and the mode then bring back.
    if ((made.st_uid != info.st_uid || made.st_gid != info.st_gid) && ::fchown(fd_, info.st_uid, info.st_gid) != 0)
        return false;
    if (!copyAttributes(original, fd_) || ::fchmod(fd_, info.st_mode & 07777) != 0 || !copyInodeFlags(original, fd_))
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

void ReplacementFile::takeMode(const struct stat& info) const
{
    // A mode that cannot be given leaves the new file's own: it is saved all
    // the same.
    if (fd_ >= 0)
        (void)::fchmod(fd_, info.st_mode & 07777);
}

bool ReplacementFile::name()
{
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::string temp = temporaryName(attempt);
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
    bool done = !(sync && ::fsync(fd_) != 0 && errno != EINVAL);
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
