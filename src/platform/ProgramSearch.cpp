#include "platform/ProgramSearch.h"

#include "platform/FileSystem.h"
#include "platform/LexicalPath.h"

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

std::string searchPath()
{
    if (const char* path = std::getenv("PATH"))
        return path;
    const std::size_t size = ::confstr(_CS_PATH, nullptr, 0);
    if (size == 0)
        return std::string();
    std::vector<char> buffer(size);
    ::confstr(_CS_PATH, buffer.data(), buffer.size());
    return std::string(buffer.data());
}

bool isExecutableFile(const std::string& path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

} // namespace

std::string findExecutable(const std::string& name)
{
    std::string cwd;
    for (const std::string& entry : splitBytes(searchPath(), ':')) {
        if (entry.empty())
            continue;
        std::string candidate = cleanPath(entry) + "/" + name;
        if (candidate[0] != '/') {
            if (cwd.empty())
                cwd = currentDirectory();
            candidate = (cwd == "/" ? cwd : cwd + "/") + candidate;
        }
        if (isExecutableFile(candidate))
            return cleanPath(candidate);
    }
    return std::string();
}

} // namespace platform
