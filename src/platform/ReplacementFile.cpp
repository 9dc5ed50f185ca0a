#include "platform/ReplacementFile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

namespace platform {

namespace {

// The name of attempt beside target: "<target>.<pid>.<attempt>.tmp".
std::string temporaryName(const std::string& target, int attempt)
{
    return target + "." + std::to_string(::getpid()) + "." + std::to_string(attempt) + ".tmp";
}

bool allDigits(const std::string& text)
{
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// An unnamed file can be given a name only through /proc (or with a
// capability most processes lack); without it a named file is the way.
bool canNameUnnamedFiles()
{
    static const bool can = ::access("/proc/self/fd", X_OK) == 0;
    return can;
}

} // namespace

bool replacementTarget(const std::string& path, std::string& target)
{
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
        target = path;
        return true;
    }
    char* real = ::realpath(path.c_str(), nullptr);
    if (!real)
        return false;
    target = real;
    std::free(real);
    return true;
}

std::string directoryOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

void removeStaleReplacements(const std::string& directory, const std::function<bool(const std::string&)>& accept)
{
    DIR* d = ::opendir(directory.c_str());
    if (!d)
        return;
    while (const dirent* entry = ::readdir(d)) {
        const std::string name = entry->d_name;
        if (entry->d_type == DT_DIR || name.size() < 4 || name.compare(name.size() - 4, 4, ".tmp") != 0)
            continue;
        // "<base>.<pid>.<attempt>" before ".tmp".
        const std::string rest = name.substr(0, name.size() - 4);
        const std::size_t attemptDot = rest.rfind('.');
        if (attemptDot == std::string::npos || attemptDot == 0 || !allDigits(rest.substr(attemptDot + 1)))
            continue;
        const std::size_t pidDot = rest.rfind('.', attemptDot - 1);
        if (pidDot == std::string::npos || pidDot == 0)
            continue;
        const std::string pidText = rest.substr(pidDot + 1, attemptDot - pidDot - 1);
        if (pidText.size() > 9 || !allDigits(pidText) || !accept(rest.substr(0, pidDot)))
            continue;
        const pid_t pid = static_cast<pid_t>(std::stol(pidText));
        if (pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH)
            ::unlinkat(::dirfd(d), name.c_str(), 0);
    }
    ::closedir(d);
}

ReplacementFile::ReplacementFile() = default;

ReplacementFile::~ReplacementFile()
{
    discard();
}

bool ReplacementFile::create(const std::string& target, mode_t mode)
{
    discard();
    target_ = target;
    if (canNameUnnamedFiles()) {
        fd_ = ::open(directoryOf(target).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
        if (fd_ >= 0)
            return true;
    }
    // A name of our own, never a file someone else made. It exists from the
    // open on, so the signals are held back from before it.
    held_ = std::make_unique<BlockedSignals>();
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string temp = temporaryName(target, attempt);
        fd_ = ::open(temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
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

void ReplacementFile::takeMode(const struct stat& info) const
{
    if (fd_ >= 0 && ::fchmod(fd_, info.st_mode & 07777) != 0) {
    }
}

void ReplacementFile::takeAttributes(const struct stat& info) const
{
    if (fd_ < 0)
        return;
    // The owner first: changing it clears the set-id bits the mode restores.
    if (::fchown(fd_, info.st_uid, info.st_gid) != 0 && ::fchown(fd_, static_cast<uid_t>(-1), info.st_gid) != 0) {
    }
    takeMode(info);
}

bool ReplacementFile::name()
{
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string temp = temporaryName(target_, attempt);
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temp.c_str(), AT_SYMLINK_FOLLOW) == 0 ||
            (errno != EEXIST && ::linkat(fd_, "", AT_FDCWD, temp.c_str(), AT_EMPTY_PATH) == 0)) {
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
    std::unique_ptr<BlockedSignals> held;
    if (!held_)
        held = std::make_unique<BlockedSignals>();
    bool done = !(sync && ::fsync(fd_) != 0 && errno != EINVAL);
    done = done && (!temp_.empty() || name());
    if (done) {
        const int closed = ::close(fd_);
        fd_ = -1;
        done = closed == 0 && std::rename(temp_.c_str(), target_.c_str()) == 0;
    }
    if (done) {
        temp_.clear();
        held_.reset();
    } else {
        const int failure = errno;
        discard();
        errno = failure;
    }
    return done;
}

void ReplacementFile::discard() noexcept
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temp_.empty()) {
        ::unlink(temp_.c_str());
        temp_.clear();
    }
    held_.reset();
}

} // namespace platform
