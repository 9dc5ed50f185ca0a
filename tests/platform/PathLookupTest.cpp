#include "platform/PathLookup.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Another user, who owns the links a test plants.
constexpr uid_t kOther = 4242;

// The identity of what fd is open on.
ino_t inodeOf(int fd)
{
    struct stat state {};
    return ::fstat(fd, &state) == 0 ? state.st_ino : 0;
}

ino_t inodeOfPath(const std::string& path)
{
    struct stat state {};
    return ::lstat(path.c_str(), &state) == 0 ? state.st_ino : 0;
}

} // namespace

// Links the running user or root made, and links of a user who owns what
// they lead to, are followed; a link of another user to someone else's
// file or directory is not, wherever it stands on the way.
TEST(PathLookup, FollowsALinkOnlyWhereItsOwnerMay)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to give links to another user";
    TempDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string d = dir.path();
    dir.write("secret", "root only");
    ASSERT_EQ(0, ::chmod(dir.file("secret").c_str(), 0600));
    dir.write("mine", "the other's");
    ASSERT_EQ(0, ::chown(dir.file("mine").c_str(), kOther, kOther));
    ASSERT_EQ(0, ::mkdir(dir.file("rootdir").c_str(), 0700));
    dir.write("rootdir/file", "in root's directory");
    ASSERT_EQ(0, ::mkdir(dir.file("sub").c_str(), 0755));

    struct Link {
        const char* name;
        const char* text;
        uid_t owner;
    };
    const Link links[] = {
        {"rootToSecret", "secret", 0},
        {"otherToSecret", "secret", kOther},
        {"otherToMine", "mine", kOther},
        {"otherToRootDir", "rootdir", kOther},
        {"rootToOtherLink", "otherToSecret", 0},
        {"otherToOtherLink", "otherToMine", kOther},
        {"sub/up", "../secret", 0},
        {"sub/otherUp", "../secret", kOther},
        {"loopA", "loopB", 0},
        {"loopB", "loopA", 0},
        {"dangling", "missing", 0},
    };
    for (const Link& link : links) {
        ASSERT_EQ(0, ::symlink(link.text, dir.file(link.name).c_str())) << link.name;
        ASSERT_EQ(0, ::lchown(dir.file(link.name).c_str(), link.owner, link.owner)) << link.name;
    }

    struct Row {
        std::string path;
        bool followLast;
        const char* reaches;  // null: refused with error
        int error;
    };
    const Row rows[] = {
        {"secret", true, "secret", 0},
        {"rootToSecret", true, "secret", 0},
        {"otherToSecret", true, nullptr, platform::kRefusedLink},
        {"otherToMine", true, "mine", 0},
        {"otherToRootDir/file", true, nullptr, platform::kRefusedLink},
        {"otherToRootDir/", false, nullptr, platform::kRefusedLink},
        {"rootToOtherLink", true, nullptr, platform::kRefusedLink},
        {"otherToOtherLink", true, "mine", 0},
        {"sub/up", true, "secret", 0},
        {"sub/otherUp", true, nullptr, platform::kRefusedLink},
        {"sub/../rootToSecret", true, "secret", 0},
        {"otherToSecret", false, "otherToSecret", 0},
        {"loopA", true, nullptr, ELOOP},
        {"dangling", true, nullptr, ENOENT},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path + (row.followLast ? "" : " (last not followed)"));
        for (const bool absolute : {true, false}) {
            // From the directory's descriptor, and by the whole path.
            const int base = ::open(d.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
            ASSERT_GE(base, 0);
            const platform::FileAt file = absolute ? platform::FileAt{AT_FDCWD, d + "/" + row.path}
                                                   : platform::FileAt{base, row.path};
            errno = 0;
            const int fd = platform::openPathAt(file, row.followLast);
            const int error = errno;
            ::close(base);
            if (!row.reaches) {
                EXPECT_EQ(-1, fd);
                EXPECT_EQ(row.error, error) << platform::openFailureText(error);
                continue;
            }
            ASSERT_GE(fd, 0) << platform::openFailureText(error);
            EXPECT_EQ(inodeOfPath(dir.file(row.reaches)), inodeOf(fd));
            EXPECT_NE(0, ::fcntl(fd, F_GETFD) & FD_CLOEXEC);
            EXPECT_NE(0, ::fcntl(fd, F_GETFL) & O_PATH);
            ::close(fd);
        }
    }
}

// The running user's own links lead anywhere, also where no root is
// involved; a path without links takes the kernel's lookup alone.
TEST(PathLookup, FollowsTheRunningUsersOwnLinks)
{
    TempDir dir;
    ASSERT_TRUE(dir.isValid());
    dir.write("file", "x");
    ASSERT_EQ(0, ::mkdir(dir.file("d").c_str(), 0755));
    ASSERT_EQ(0, ::symlink("../file", dir.file("d/up").c_str()));
    ASSERT_EQ(0, ::symlink("d", dir.file("dlink").c_str()));
    for (const std::string path : {"file", "d/up", "dlink/up", "dlink/../file", "d//up", "./d/./up"}) {
        const int fd = platform::openPathAt(platform::FileAt{AT_FDCWD, dir.file(path)}, true);
        ASSERT_GE(fd, 0) << path;
        EXPECT_EQ(inodeOfPath(dir.file("file")), inodeOf(fd)) << path;
        ::close(fd);
    }
    errno = 0;
    EXPECT_EQ(-1, platform::openPathAt(platform::FileAt{AT_FDCWD, ""}, true));
    EXPECT_EQ(ENOENT, errno);
    EXPECT_EQ(-1, platform::openPathAt(platform::FileAt{AT_FDCWD, dir.file("file/x")}, true));
    EXPECT_EQ(ENOTDIR, errno);
}
