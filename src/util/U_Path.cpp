#include "util/U_Path.h"

#include "platform/AsciiCase.h"
#include "platform/FileSystem.h"
#include "platform/FullPath.h"
#include "platform/LexicalPath.h"
#include "platform/ModuleFileName.h"

#include <algorithm>

namespace U_Path {

namespace {

bool hasFileType(const std::string& path, bool (*isType)(unsigned) noexcept)
{
    unsigned mode = 0;
    return platform::fileMode(path, mode) && isType(mode);
}

bool isDrive(const std::string& path)
{
    return path.size() == 2 && path[1] == ':';
}

} // namespace

bool exists(const std::string& path)
{
    return platform::canAccess(path, platform::Access::Exists);
}

bool isReadable(const std::string& path)
{
    return platform::canAccess(path, platform::Access::Read);
}

bool isFile(const std::string& path)
{
    return hasFileType(path, platform::isRegularFileMode);
}

bool isDirectory(const std::string& path)
{
    return hasFileType(path, platform::isDirectoryMode);
}

std::string currentDirectory()
{
    return toSlashes(platform::currentDirectory());
}

std::string moduleFileName()
{
    return toSlashes(platform::moduleFileName());
}

std::string moduleDirectory()
{
    const std::string module = moduleFileName();
    return module.empty() ? std::string() : directory(module);
}

std::string toSlashes(const std::string& path)
{
    std::string result = path;
    std::replace(result.begin(), result.end(), '\\', '/');
    return result;
}

bool hasDirectory(const std::string& path)
{
    return path.find('/') != std::string::npos;
}

std::string join(const std::string& dir, const std::string& name)
{
    if (name.empty())
        return dir;
    if (dir.empty() || dir == "." || dir == "./")
        return name;
    if (dir.back() == '/')
        return dir + name;
    return dir + "/" + name;
}

std::string addExtension(const std::string& name, const std::string& ext)
{
    if (ext.empty())
        return name;
    if (ext[0] == '.' || (!name.empty() && name.back() == '.'))
        return name + ext;
    return name + "." + ext;
}

std::string fileName(const std::string& path)
{
    std::string p = path;
    if (p.size() > 1 && p.back() == '/')
        p.pop_back();
    const auto slash = p.rfind('/');
    return slash == std::string::npos ? p : p.substr(slash + 1);
}

std::string stripExtension(const std::string& path)
{
    const auto dot = path.rfind('.');
    const auto slash = path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return path;
    return path.substr(0, dot);
}

std::string baseName(const std::string& path)
{
    return stripExtension(fileName(path));
}

bool isRoot(const std::string& path)
{
    return path == "/" || (path.size() == 3 && path[1] == ':');
}

std::string directory(const std::string& path)
{
    std::string r = path;
    if (isDrive(path))
        r += "/";
    if (!path.empty() && path.back() == '/' && !isRoot(r))
        r.erase(path.size() - 1, 1);
    if (r.rfind('/') == 2 && r[1] == ':')
        return r.substr(0, 3);
    return platform::directoryPart(r);
}

bool startsWithIgnoreCase(const std::string& prefix, const std::string& path)
{
    if (prefix.size() > path.size())
        return false;
    for (std::string::size_type i = 0; i < prefix.size(); ++i) {
        if (platform::asciiToLower(prefix[i]) != platform::asciiToLower(path[i]))
            return false;
    }
    return true;
}

std::string fullLongPath(const std::string& path)
{
    std::string result = path;
    if (isDirectory(path)) {
        const std::string full = exists(path) ? platform::fullPath(path) : std::string();
        if (!full.empty())
            result = toSlashes(full);
    } else {
        const std::string dir = directory(path);
        const std::string full = exists(dir) ? platform::fullPath(dir) : std::string();
        if (!full.empty())
            result = join(toSlashes(full), fileName(path));
    }
    const std::string longName = platform::longPathName(result);
    if (!longName.empty())
        result = toSlashes(longName);
    return result;
}

std::string searchPath(const std::string& list, const std::string& name)
{
    return searchPath(list, name, [](const std::string&) { return true; });
}

std::string searchPath(const std::string& list, const std::string& name,
                       const std::function<bool(const std::string& path)>& accept)
{
    if (list.empty())
        return std::string();
    std::string::size_type start = 0;
    while (start < list.size()) {
        auto end = list.find(';', start);
        if (end == std::string::npos)
            end = list.size();
        const std::string candidate = join(list.substr(start, end - start), name);
        if (isReadable(candidate) && isFile(candidate) && accept(candidate))
            return candidate;
        start = end + 1;
    }
    return std::string();
}

std::string libraryFileName(const std::string& base)
{
    return addExtension(base + "4", "dll");
}

} // namespace U_Path
