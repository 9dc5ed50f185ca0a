#include "patch/FileDigest.h"

#include "patch/MD5.h"
#include "platform/RegularFile.h"

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
    const int fd = platform::openRegularFile(path);
    if (fd < 0)
        return std::string();
    std::string hex = ofOpenFile(fd);
    ::close(fd);
    return hex;
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
