#include "platform/FileSystem.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {

bool canAccess(const std::string& path, Access access)
{
    return ::access(path.c_str(), access == Access::Read ? R_OK : F_OK) == 0;
}

bool fileMode(const std::string& path, unsigned& mode)
{
    struct stat info;
    if (::stat(path.c_str(), &info) != 0)
        return false;
    mode = static_cast<unsigned>(info.st_mode);
    return true;
}

bool isRegularFileMode(unsigned mode) noexcept
{
    return S_ISREG(mode);
}

bool isDirectoryMode(unsigned mode) noexcept
{
    return S_ISDIR(mode);
}

bool ownedByUserOrRoot(const struct stat& info) noexcept
{
    return info.st_uid == ::geteuid() || info.st_uid == 0;
}

bool ownedByUserOrRoot(const std::string& path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && ownedByUserOrRoot(info);
}

namespace {

FileIdentity identityOf(const struct stat& info)
{
    FileIdentity identity;
    identity.device = static_cast<unsigned long long>(info.st_dev);
    identity.inode = static_cast<unsigned long long>(info.st_ino);
    return identity;
}

} // namespace

bool fileIdentity(const std::string& path, FileIdentity& identity)
{
    struct stat info;
    if (::stat(path.c_str(), &info) != 0)
        return false;
    identity = identityOf(info);
    return true;
}

bool fileIdentity(std::FILE* file, FileIdentity& identity)
{
    struct stat info;
    if (!file || ::fstat(::fileno(file), &info) != 0)
        return false;
    identity = identityOf(info);
    return true;
}

std::string currentDirectory()
{
    // No fixed limit: the buffer grows until the path fits.
    for (std::size_t size = 256; size <= (std::size_t(1) << 24); size *= 2) {
        std::vector<char> buffer(size);
        if (::getcwd(buffer.data(), buffer.size()))
            return std::string(buffer.data());
        if (errno != ERANGE)
            break;
    }
    return std::string();
}

} // namespace platform
