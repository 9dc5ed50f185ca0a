#include "platform/DirectoryTable.h"

#include "platform/LexicalPath.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

DirectoryTable::~DirectoryTable()
{
    for (const auto& entry : byAbsolute_)
        ::close(entry.second);
}

int DirectoryTable::directory(const std::string& path)
{
    const auto spelled = byText_.find(path);
    if (spelled != byText_.end())
        return spelled->second;
    const std::string absolute = absolutePath(path);
    auto known = byAbsolute_.find(absolute);
    if (known == byAbsolute_.end()) {
        const int fd = ::open(absolute.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            return -1;
        known = byAbsolute_.emplace(absolute, fd).first;
    }
    byText_.emplace(path, known->second);
    return known->second;
}

FileAt DirectoryTable::locate(const std::string& path)
{
    std::string name = entryPart(path);
    if (name.empty())
        return FileAt{AT_FDCWD, path};
    return FileAt{directory(directoryPart(path)), name};
}

bool existsAt(const FileAt& file)
{
    struct stat info;
    return ::fstatat(file.dir, file.name.c_str(), &info, 0) == 0;
}

} // namespace platform
