#include "platform/DirectoryTable.h"

#include "platform/LexicalPath.h"
#include "platform/PathLookup.h"

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

struct DirectoryTable::Open {
    Open(int descriptor, const struct stat& state) : fd(descriptor), device(state.st_dev), inode(state.st_ino) {}
    ~Open() { ::close(fd); }
    Open(const Open&) = delete;
    Open& operator=(const Open&) = delete;

    bool is(dev_t otherDevice, ino_t otherInode) const { return device == otherDevice && inode == otherInode; }

    const int fd;
    const dev_t device;
    const ino_t inode;
};

std::shared_ptr<const DirectoryTable::Open> DirectoryTable::open(const std::string& text)
{
    // The current directory never changes during a run: each spelling is
    // made absolute once.
    auto spelled = absoluteOf_.find(text);
    if (spelled == absoluteOf_.end())
        spelled = absoluteOf_.emplace(text, absolutePath(text)).first;
    const std::string& path = spelled->second;
    const auto found = known_.find(path);
    const auto openAs = [this](dev_t device, ino_t inode) {
        return std::find_if(open_.begin(), open_.end(),
                            [&](const std::shared_ptr<const Open>& o) { return o->is(device, inode); });
    };
    if (found != known_.end()) {
        const auto kept = openAs(found->second.device, found->second.inode);
        if (kept != open_.end()) {
            open_.splice(open_.begin(), open_, kept);
            return open_.front();
        }
    }
    const int fd = openPathAt(FileAt{AT_FDCWD, path}, true);
    if (fd < 0)
        return nullptr;
    struct stat state;
    const int error = ::fstat(fd, &state) != 0 ? errno : S_ISDIR(state.st_mode) ? 0 : ENOTDIR;
    if (error != 0) {
        ::close(fd);
        errno = error;
        return nullptr;
    }
    if (found != known_.end() && !(found->second.device == state.st_dev && found->second.inode == state.st_ino)) {
        ::close(fd);
        errno = kSwappedDirectory;
        return nullptr;
    }
    known_[path] = Identity{state.st_dev, state.st_ino};
    const auto same = openAs(state.st_dev, state.st_ino);
    if (same != open_.end()) {
        ::close(fd);
        open_.splice(open_.begin(), open_, same);
        return open_.front();
    }
    open_.push_front(std::make_shared<const Open>(fd, state));
    // A FileAt that still holds the one let go keeps it open until it goes.
    if (open_.size() > openAtMost_)
        open_.pop_back();
    return open_.front();
}

FileAt DirectoryTable::locate(const std::string& path)
{
    std::string name = entryPart(path);
    if (name.empty())
        return FileAt{AT_FDCWD, path};
    const std::shared_ptr<const Open> dir = open(directoryPart(path));
    if (!dir)
        return FileAt{-1, std::move(name)};
    return FileAt{dir->fd, std::move(name), dir};
}

bool existsAt(const FileAt& file)
{
    struct stat info;
    return ::fstatat(file.dir, file.name.c_str(), &info, 0) == 0;
}

} // namespace platform
