#include "platform/FullPath.h"

#include "platform/FileSystem.h"

#include <vector>

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

    std::vector<std::string> parts;
    std::string::size_type start = 0;
    while (start <= joined.size()) {
        auto end = joined.find('/', start);
        if (end == std::string::npos)
            end = joined.size();
        const std::string part = joined.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }

    std::string result;
    for (const std::string& part : parts)
        result += "/" + part;
    if (result.empty())
        return "/";
    if (path.back() == '/')
        result += "/";
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
