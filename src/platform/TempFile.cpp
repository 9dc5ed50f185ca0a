#include "platform/TempFile.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

std::string temporaryName(const std::string& directory, const std::string& prefix)
{
    struct stat info {};
    if (directory.empty() || ::stat(directory.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)
        || ::access(directory.c_str(), W_OK | X_OK) != 0)
        return std::string();

    static unsigned long long counter = 0;
    const auto seed = static_cast<unsigned long long>(
        std::chrono::steady_clock::now().time_since_epoch().count());
    const std::string base = directory.back() == '/' ? directory : directory + "/";
    static const char kDigits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 1000; ++attempt) {
        unsigned long long value = seed ^ (++counter * 0x9E3779B97F4A7C15ULL);
        std::string suffix;
        for (int i = 0; i < 6; ++i) {
            suffix += kDigits[value % 36];
            value /= 36;
        }
        const std::string candidate = base + prefix + suffix;
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
