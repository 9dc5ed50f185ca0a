#include "platform/LexicalPath.h"

#include "platform/FileSystem.h"

namespace platform {

namespace {

bool endsWithSlash(const std::string& path)
{
    return !path.empty() && path.back() == '/';
}

// As Qt's test of a path entry: no "//", no "." or ".." segment.
bool isClean(const std::string& path)
{
    int dots = 0;
    bool dotOk = true;  // at the start of a segment, "." and ".." may come
    bool slashOk = true;
    for (char c : path) {
        if (c == '/') {
            if (dots == 1 || dots == 2 || !slashOk)
                return false;
            dots = 0;
            slashOk = false;
            dotOk = true;
        } else if (dotOk) {
            slashOk = true;
            if (c == '.') {
                if (++dots > 2)
                    dotOk = false;
            } else {
                dots = 0;
                dotOk = false;
            }
        }
    }
    return dots != 1 && dots != 2;
}

// cwd joined with path as Qt makes a name absolute: path itself when it
// begins with "/", cwd alone for "." or "".
std::string joinedWithCurrent(const std::string& cwd, const std::string& path)
{
    std::string result;
    if (path.empty() || path[0] != '/')
        result = cwd;
    if (!path.empty() && path != ".") {
        if (!result.empty() && !endsWithSlash(result))
            result += '/';
        result += path;
    }
    return result;
}

} // namespace

std::vector<std::string> splitBytes(const std::string& text, char separator)
{
    std::vector<std::string> pieces;
    std::string::size_type start = 0;
    for (;;) {
        const std::string::size_type end = text.find(separator, start);
        pieces.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            return pieces;
        start = end + 1;
    }
}

std::string foldPath(const std::string& path, bool keepParentsAbove)
{
    std::vector<std::string> segments;
    for (const std::string& segment : splitBytes(path, '/')) {
        if (segment.empty() || segment == ".")
            continue;
        if (segment != "..")
            segments.push_back(segment);
        else if (!segments.empty() && segments.back() != "..")
            segments.pop_back();
        else if (keepParentsAbove)
            segments.push_back(segment);
    }
    std::string result = !path.empty() && path[0] == '/' ? "/" : "";
    for (std::size_t i = 0; i < segments.size(); ++i) {
        if (i > 0)
            result += '/';
        result += segments[i];
    }
    return result;
}

std::string directoryPart(const std::string& path)
{
    const std::string::size_type slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string entryPart(const std::string& path)
{
    const std::string::size_type slash = path.rfind('/');
    std::string entry = slash == std::string::npos ? path : path.substr(slash + 1);
    return entry == "." || entry == ".." ? std::string() : entry;
}

std::string cleanPath(const std::string& path)
{
    if (path.empty())
        return path;
    const std::string result = foldPath(path, true);
    return result.empty() ? "." : result;
}

std::string absolutePathFrom(const std::string& cwd, const std::string& path)
{
    std::string entry = path.empty() ? "." : path;
    if (entry.size() > 1 && endsWithSlash(entry))
        entry.pop_back();
    if (entry[0] == '/' && isClean(entry))
        return entry;
    return cleanPath(joinedWithCurrent(cwd, entry));
}

std::string absoluteDirectoryFrom(const std::string& cwd, const std::string& path)
{
    if (path.empty())
        return std::string();
    std::string absolute = path;
    if (path[0] != '/' || !isClean(path)) {
        absolute = joinedWithCurrent(cwd, path);
        if (absolute != "/") {
            const bool directory = endsWithSlash(absolute);
            absolute = cleanPath(absolute);
            if (directory)
                absolute += '/';
        }
    }
    return directoryPart(absolute);
}

std::string absolutePath(const std::string& path)
{
    return absolutePathFrom(currentDirectory(), path);
}

std::string absoluteDirectory(const std::string& path)
{
    return absoluteDirectoryFrom(currentDirectory(), path);
}

} // namespace platform
