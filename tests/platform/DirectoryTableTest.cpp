#include "platform/DirectoryTable.h"

#include "platform/PathLookup.h"

#include "support/ScopedCurrentDirectory.h"
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
    const ScopedCurrentDirectory cwd(dir.path());
    // The opener keeps one descriptor of its own once it has opened a file.
    EXPECT_EQ("mine", contentAt(platform::FileAt{AT_FDCWD, dir.file("out/a.c.err")}));
    platform::DirectoryTable table;
    const int descriptors = openDescriptors();
    const platform::FileAt first = table.locate(dir.file("out/a.c.err"));
    EXPECT_EQ("a.c.err", first.name);
    ASSERT_GE(first.dir, 0);
    EXPECT_EQ(descriptors + 1, openDescriptors());
    for (const std::string& spelling : {std::string("out"), std::string("./out"), std::string("out/"),
                                        dir.file("out"), dir.file("victim/../out")}) {
        SCOPED_TRACE(spelling);
        EXPECT_EQ(first.dir, table.locate(spelling + "/x").dir);
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

// However many directories a run writes into, the table keeps a few open:
// one closed is opened again at its next use, and only when it is still
// the directory it was at first, never one put in its place meanwhile. A
// file located before its directory was closed keeps it open.
TEST(DirectoryTable, KeepsAFewOpenAndTakesBackOnlyTheSameDirectory)
{
    TempDir dir;
    ASSERT_TRUE(dir.isValid());
    constexpr int kDirectories = 40;
    for (int i = 0; i < kDirectories; ++i) {
        ASSERT_EQ(0, ::mkdir(dir.file("d" + std::to_string(i)).c_str(), 0755));
        dir.write("d" + std::to_string(i) + "/f", std::to_string(i));
    }
    EXPECT_EQ("0", contentAt(platform::FileAt{AT_FDCWD, dir.file("d0/f")}));
    platform::DirectoryTable table;
    const int descriptors = openDescriptors();
    const platform::FileAt held = table.locate(dir.file("d0/f"));
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < kDirectories; ++i) {
            const platform::FileAt file = table.locate(dir.file("d" + std::to_string(i) + "/f"));
            ASSERT_GE(file.dir, 0) << i;
            EXPECT_EQ(std::to_string(i), contentAt(file));
            EXPECT_LE(openDescriptors(), descriptors + 2 + static_cast<int>(platform::DirectoryTable::kOpenAtMost));
        }
    }
    EXPECT_EQ("0", contentAt(held));

    // d1 was closed long ago; another directory at its name is refused.
    ASSERT_EQ(0, ::rename(dir.file("d1").c_str(), dir.file("gone").c_str()));
    ASSERT_EQ(0, ::mkdir(dir.file("d1").c_str(), 0755));
    dir.write("d1/f", "planted");
    errno = 0;
    EXPECT_EQ(-1, table.locate(dir.file("d1/f")).dir);
    EXPECT_EQ(platform::kSwappedDirectory, errno);
    // The directory itself back at its name is taken again.
    ASSERT_EQ(0, ::rename(dir.file("d1").c_str(), dir.file("planted").c_str()));
    ASSERT_EQ(0, ::rename(dir.file("gone").c_str(), dir.file("d1").c_str()));
    EXPECT_EQ("1", contentAt(table.locate(dir.file("d1/f"))));
}

// "link/.." is the directory the text folds to, as every output directory
// is named: the files of one output directory are reached through one
// lookup of it, whatever links its spelling passes.
TEST(DirectoryTable, KnowsDirectoriesByTheirFoldedText)
{
    TempDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_EQ(0, ::mkdir(dir.file("work").c_str(), 0755));
    ASSERT_EQ(0, ::mkdir(dir.file("elsewhere").c_str(), 0755));
    ASSERT_EQ(0, ::mkdir(dir.file("elsewhere/sub").c_str(), 0755));
    ASSERT_EQ(0, ::symlink("../elsewhere/sub", dir.file("work/link").c_str()));
    dir.write("work/f", "work");
    dir.write("elsewhere/f", "elsewhere");
    const ScopedCurrentDirectory cwd(dir.file("work"));
    platform::DirectoryTable table;
    EXPECT_EQ("work", contentAt(table.locate("link/../f")));
    EXPECT_EQ("work", contentAt(table.locate("./f")));
    EXPECT_EQ("elsewhere", contentAt(table.locate("link/../../elsewhere/f")));
}
