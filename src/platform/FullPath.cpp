#include "platform/FullPath.h"

#include "platform/FileSystem.h"
#include "platform/LexicalPath.h"

namespace platform {

std::string fullPathFrom(const std::string& base, const std::string& path)
{
    if (path.empty())
        return std::string();
    std::string joined;
    if (path[0] == '/') {
        joined = path;
    } else {
        if (base.empty() || base[0] != '/')
            return std::string();
        joined = base + "/" + path;
    }

    const std::string result = foldPath(joined, false);
    if (result != "/" && path.back() == '/')
        return result + "/";
    return result;
}

std::string fullPath(const std::string& path)
{
    if (!path.empty() && path[0] == '/')
        return fullPathFrom(std::string(), path);
    return fullPathFrom(currentDirectory(), path);
}

std::string longPathName(const std::string& path)
{
    return path;
}

} // namespace platform
