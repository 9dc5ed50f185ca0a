#include "platform/TempFile.h"

#include <algorithm>
#include <cerrno>
#include <set>
#include <tuple>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr std::size_t kPidDigits = 10;
constexpr std::size_t kNumberDigits = 2;
constexpr char kSuffix[] = ".tmp";
constexpr std::size_t kSuffixLength = sizeof kSuffix - 1;

bool digitsAt(const std::string& text, std::size_t from, std::size_t count)
{
    return std::all_of(text.begin() + static_cast<std::ptrdiff_t>(from),
                       text.begin() + static_cast<std::ptrdiff_t>(from + count),
                       [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

std::string temporaryName(const std::string& prefix, int number)
{
    // A pid_t has at most 10 digits.
    char tail[32];
    std::snprintf(tail, sizeof tail, "%010ld-%02d%s", static_cast<long>(::getpid()), number % kTemporaryNames,
                  kSuffix);
    return prefix + tail;
}

pid_t processOfTemporaryName(const std::string& name, const std::string& prefix)
{
    const std::size_t length = prefix.size() + kPidDigits + 1 + kNumberDigits + kSuffixLength;
    const std::size_t pidAt = prefix.size();
    const std::size_t numberAt = pidAt + kPidDigits + 1;
    if (name.size() != length || name.compare(0, prefix.size(), prefix) != 0 || !digitsAt(name, pidAt, kPidDigits) ||
        name[numberAt - 1] != '-' || !digitsAt(name, numberAt, kNumberDigits) ||
        name.compare(length - kSuffixLength, kSuffixLength, kSuffix) != 0)
        return 0;
    const long long pid = std::stoll(name.substr(pidAt, kPidDigits));
    return pid > 0 && pid <= 0x7FFFFFFF ? static_cast<pid_t>(pid) : 0;
}

void removeStaleTemporaries(int dirfd, const std::string& prefix)
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
        const pid_t pid = processOfTemporaryName(entry->d_name, prefix);
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

std::string temporaryName(const std::string& directory, const std::string& prefix)
{
    struct stat info {};
    if (directory.empty() || ::stat(directory.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) ||
        ::access(directory.c_str(), W_OK | X_OK) != 0)
        return std::string();

    // Directories known by their identity, whatever their spelling.
    static std::set<std::tuple<dev_t, ino_t, std::string>> cleaned;
    static int next = 0;
    if (cleaned.emplace(info.st_dev, info.st_ino, prefix).second) {
        const int fd = ::open(directory.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0) {
            removeStaleTemporaries(fd, prefix);
            ::close(fd);
        }
    }
    const std::string base = directory.back() == '/' ? directory : directory + "/";
    for (int attempt = 0; attempt < kTemporaryNames; ++attempt) {
        const std::string candidate = base + temporaryName(prefix, next);
        next = (next + 1) % kTemporaryNames;
        struct stat existing {};
        if (::lstat(candidate.c_str(), &existing) != 0 && errno == ENOENT)
            return candidate;
    }
    return std::string();
}

std::FILE* createExclusive(const std::string& path, bool binary)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return nullptr;
    std::FILE* file = ::fdopen(fd, binary ? "wb" : "w");
    if (!file)
        ::close(fd);
    return file;
}

} // namespace platform
