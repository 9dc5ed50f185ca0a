#include "encoding/U_FilePath.h"

#include "encoding/U_Encoding.h"
#include "platform/FileSystem.h"
#include "platform/FullPath.h"
#include "platform/TempFile.h"
#include "util/U_Filename.h"
#include "util/U_Path.h"

#include <sys/stat.h>
#include <unistd.h>

namespace U_FilePath {

namespace {

std::string native(const std::string& path)
{
    return U_Encoding::toNative(path);
}

} // namespace

bool less(const std::string& a, const std::string& b)
{
    return a < b;  // std::string compares bytes as unsigned
}

std::string directory(const std::string& path)
{
    return U_Path::directory(path);
}

std::string fileName(const std::string& path)
{
    return U_Path::fileName(path);
}

std::string addExtension(const std::string& name, const std::string& extension)
{
    return U_Path::addExtension(name, extension);
}

std::string join(const std::string& directory, const std::string& name)
{
    return U_Path::join(directory, name);
}

bool isPrefixOf(const std::string& prefix, const std::string& path)
{
    return U_Path::startsWithIgnoreCase(prefix, path);
}

std::string toSlashes(const std::string& path)
{
    return U_Path::toSlashes(path);
}

bool exists(const std::string& path)
{
    return U_Path::exists(native(path));
}

bool isDirectory(const std::string& path)
{
    return U_Path::isDirectory(native(path));
}

bool isFile(const std::string& path)
{
    return U_Path::isFile(native(path));
}

bool isReadableFile(const std::string& path)
{
    const std::string n = native(path);
    return U_Path::isReadable(n) && !U_Path::isDirectory(n);
}

std::string currentDirectory()
{
    return U_Path::toSlashes(U_Encoding::fromNative(platform::currentDirectory()));
}

std::string temporaryName(const std::string& directory)
{
    // The platform's names carry the process id after the prefix.
    const std::string name = platform::temporaryName(native(directory), "ktw");
    return name.empty() ? name : U_Encoding::fromNative(name);
}

bool isUsableTempDir(const std::string& directory)
{
    return exists(directory) && isDirectory(directory) && !temporaryName(directory).empty();
}

std::string fullPath(const std::string& path)
{
    const bool pathIsDirectory = isDirectory(path);
    if (path.find('/') == std::string::npos && !pathIsDirectory)
        return join(currentDirectory(), path);

    const std::string dirPart = pathIsDirectory ? path : directory(path);
    const std::string filePart = pathIsDirectory ? std::string() : fileName(path);
    const std::string absolute = exists(dirPart) ? platform::fullPath(native(dirPart)) : std::string();
    if (absolute.empty())
        return path;
    // A file has one name of any length: nothing to expand.
    const std::string result = U_Path::toSlashes(U_Encoding::fromNative(absolute));
    return filePart.empty() ? result : join(result, filePart);
}

} // namespace U_FilePath

U_Filename U_Filename::fromPath(const std::string& path)
{
    const std::string name = U_FilePath::toSlashes(path);
    return U_Filename(U_FilePath::fullPath(name), name);
}
