#include "platform/DirectoryTable.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The descriptors this process holds.
int openDescriptors()
{
    int count = 0;
    DIR* fds = ::opendir("/proc/self/fd");
    while (fds && ::readdir(fds))
        ++count;
    if (fds)
        ::closedir(fds);
    return count;
}

std::string contentAt(const platform::FileAt& file)
{
    const int fd = platform::openRegularFile(file, O_RDONLY);
    std::string bytes;
    if (fd >= 0) {
        platform::readToEnd(fd, bytes, 1000);
        ::close(fd);
    }
    return bytes;
}

} // namespace

// One descriptor a directory, however it is spelled, opened at its first
// use: what it names afterwards (a rename, a link in its place) is not
// looked at again.
TEST(DirectoryTable, OpensEachDirectoryOnceAndKeepsIt)
{
    TempDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_EQ(0, ::mkdir(dir.file("out").c_str(), 0755));
    ASSERT_EQ(0, ::mkdir(dir.file("victim").c_str(), 0755));
    dir.write("out/a.c.err", "mine");
    dir.write("victim/a.c.err", "root's");
    const std::string cwd = dir.path();
    char before[4096];
    ASSERT_NE(nullptr, ::getcwd(before, sizeof before));
    ASSERT_EQ(0, ::chdir(cwd.c_str()));
    {
        platform::DirectoryTable table;
        const int descriptors = openDescriptors();
        const platform::FileAt first = table.locate(dir.file("out/a.c.err"));
        EXPECT_EQ("a.c.err", first.name);
        ASSERT_GE(first.dir, 0);
        EXPECT_EQ(descriptors + 1, openDescriptors());
        for (const std::string& spelling : {std::string("out"), std::string("./out"), std::string("out/"),
                                            dir.file("out"), dir.file("victim/../out")}) {
            SCOPED_TRACE(spelling);
            EXPECT_EQ(first.dir, table.directory(spelling));
        }
        EXPECT_EQ(first.dir, table.locate("out/b.c.err").dir);
        EXPECT_EQ(descriptors + 1, openDescriptors());

        ASSERT_EQ(0, ::rename(dir.file("out").c_str(), dir.file("moved").c_str()));
        ASSERT_EQ(0, ::symlink("victim", dir.file("out").c_str()));
        EXPECT_EQ("mine", contentAt(table.locate(dir.file("out/a.c.err"))));
        EXPECT_TRUE(platform::existsAt(table.locate("out/a.c.err")));
        EXPECT_FALSE(platform::existsAt(table.locate("out/none.err")));

        // A directory that cannot be opened is tried again at its next use.
        errno = 0;
        EXPECT_EQ(-1, table.locate(dir.file("later/x.err")).dir);
        EXPECT_EQ(ENOENT, errno);
        ASSERT_EQ(0, ::mkdir(dir.file("later").c_str(), 0755));
        EXPECT_GE(table.locate(dir.file("later/x.err")).dir, 0);
        EXPECT_EQ(descriptors + 2, openDescriptors());
    }
    EXPECT_EQ(0, ::chdir(before));
}
