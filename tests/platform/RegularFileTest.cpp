#include "platform/RegularFile.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

// Only a regular file opens, and nothing blocks: a FIFO without a writer
// would hang a blocking open, and a device or FIFO a read to the end.
TEST(RegularFile, OpensOnlyRegularFiles)
{
    TempDir dir;
    ASSERT_TRUE(dir.isValid());
    dir.write("caf\xe9.c", "text");
    ASSERT_EQ(0, ::mkfifo(dir.file("fifo").c_str(), 0600));
    ASSERT_EQ(0, ::symlink(dir.file("caf\xe9.c").c_str(), dir.file("link").c_str()));
    ASSERT_EQ(0, ::symlink("/dev/zero", dir.file("zero").c_str()));

    struct Row {
        std::string path;
        bool opens;
        int error;
    };
    const Row rows[] = {
        {dir.file("caf\xe9.c"), true, 0},
        {dir.file("link"), true, 0},
        {dir.file("fifo"), false, EINVAL},
        {"/dev/zero", false, EINVAL},
        {dir.file("zero"), false, EINVAL},
        {dir.path(), false, EINVAL},
        {dir.file("missing"), false, ENOENT},
    };
    for (const Row& r : rows) {
        errno = 0;
        const int fd = platform::openRegularFile(r.path);
        EXPECT_EQ(r.opens, fd >= 0) << r.path;
        if (fd >= 0) {
            char buffer[8];
            EXPECT_EQ(4, ::read(fd, buffer, sizeof buffer)) << r.path;
            ::close(fd);
        } else {
            EXPECT_EQ(r.error, errno) << r.path;
        }
    }
    ::unlink(dir.file("caf\xe9.c").c_str());  // Qt cannot name it to remove it
}
