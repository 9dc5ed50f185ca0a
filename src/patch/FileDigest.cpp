#include "patch/FileDigest.h"

#include "patch/MD5.h"
#include "platform/PathLookup.h"
#include "platform/RegularFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <memory>
#include <vector>

#include <unistd.h>

namespace {

std::string hexOf(MD5& digest)
{
    digest.finalize();
    const std::unique_ptr<char[]> hex(digest.hex_digest());
    return hex.get();
}

} // namespace

std::string FileDigest::ofText(const std::string& text)
{
    MD5 digest;
    digest.update(reinterpret_cast<const unsigned char*>(text.data()), static_cast<std::uint32_t>(text.size()));
    return hexOf(digest);
}

std::string FileDigest::ofRegularFile(const std::string& path)
{
    return take(path).hash;
}

FileDigest::Taken FileDigest::take(const std::string& path)
{
    Taken taken;
    struct stat state;
    const int fd = platform::openRegularFile(platform::FileAt{AT_FDCWD, path}, O_RDONLY, &state);
    if (fd < 0)
        return taken;
    ::clock_gettime(CLOCK_REALTIME, &taken.at);
    taken.hash = ofOpenFile(fd);
    const int error = errno;
    ::close(fd);
    taken.state = state;
    errno = error;
    return taken;
}

bool FileDigest::isStillTheFile(const std::string& path, const Taken& taken)
{
    if (taken.hash.empty())
        return false;
    const int fd = platform::openPathAt(platform::FileAt{AT_FDCWD, path}, true);
    struct stat now;
    const bool looked = fd >= 0 && ::fstat(fd, &now) == 0;
    if (fd >= 0)
        ::close(fd);
    if (!looked || !platform::sameFileState(now, taken.state))
        return false;
    // A file system may keep times in steps of up to two seconds: a change
    // in the step of the digest, or in the step before, can leave them as
    // they were. Only the bytes tell then.
    constexpr time_t kCoarsestStep = 2;
    const time_t changed = std::max(now.st_mtim.tv_sec, now.st_ctim.tv_sec);
    if (changed + kCoarsestStep < taken.at.tv_sec)
        return true;
    return take(path).hash == taken.hash;
}

std::string FileDigest::ofOpenFile(int fd)
{
    MD5 digest;
    std::vector<unsigned char> buffer(64 * 1024);
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n > 0)
            digest.update(buffer.data(), static_cast<std::uint32_t>(n));
        else if (n == 0)
            return hexOf(digest);
        else if (errno != EINTR)
            return std::string();
    }
}
