#include "platform/FileProbes.h"

#include <cerrno>
#include <map>
#include <set>

#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/vfs.h>

namespace platform {

bool withinSizeLimit(std::uint64_t size)
{
    static const rlim_t limit = [] {
        struct rlimit current;
        return ::getrlimit(RLIMIT_FSIZE, &current) == 0 ? current.rlim_cur : RLIM_INFINITY;
    }();
    return limit == RLIM_INFINITY || size <= limit;
}

bool closeMayReportWriteFailure(int fd, dev_t device)
{
    static std::map<dev_t, bool> known;
    const auto found = known.find(device);
    if (found != known.end())
        return found->second;
    struct statfs info;
    if (::fstatfs(fd, &info) != 0)
        return true;
    static const std::set<long> kDiskFileSystems = {
        0xEF53,      // ext2, ext3, ext4
        0x58465342,  // xfs
        0x9123683E,  // btrfs
        0x01021994,  // tmpfs
        0xF2F52010,  // f2fs
    };
    const bool mayFail = kDiskFileSystems.count(static_cast<long>(info.f_type)) == 0;
    known.emplace(device, mayFail);
    return mayFail;
}

bool inodeFlags(int fd, int& flags)
{
    flags = 0;
    if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0)
        return true;
    flags = 0;
    return errno == ENOTTY || errno == ENOTSUP || errno == EINVAL || errno == ENOSYS;
}

bool hasInodeFlag(int fd, int flags)
{
    int present = 0;
    return inodeFlags(fd, present) && (present & flags) != 0;
}

} // namespace platform
