#include "platform/RegularFile.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <functional>
#include <thread>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
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
        // No file has a NUL in its name: the part before it is not opened.
        {dir.file("caf\xe9.c") + std::string("\0x", 2), false, ENOENT},
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
        errno = 0;
        std::FILE* stream = platform::openRegularStream(r.path);
        EXPECT_EQ(r.opens, stream != nullptr) << r.path;
        if (stream) {
            char buffer[8];
            EXPECT_EQ(4u, std::fread(buffer, 1, sizeof buffer, stream)) << r.path;
            std::fclose(stream);
        } else {
            EXPECT_EQ(r.error, errno) << r.path;
        }
        std::string bytes = "stale";
        errno = 0;
        EXPECT_EQ(r.opens, platform::readRegularFile(r.path, bytes)) << r.path;
        EXPECT_EQ(r.opens ? "text" : "", bytes) << r.path;
        if (!r.opens) {
            EXPECT_EQ(r.error, errno) << r.path;
        }
    }
    ::unlink(dir.file("caf\xe9.c").c_str());  // Qt cannot name it to remove it
}

// Writers open through the same door: what exists must be a regular file
// before it is opened, emptied or created over, and the descriptor blocks
// again once open, so that a write is never cut for want of room in a pipe.
TEST(RegularFile, OpensForWritingOnlyRegularFilesAndEmptiesOnlyThem)
{
    TempDir dir;
    ASSERT_EQ(0, ::mkfifo(dir.file("fifo").c_str(), 0600));
    ASSERT_EQ(0, ::symlink("/dev/null", dir.file("null").c_str()));
    struct Row {
        const char* what;
        std::string name;
        const char* before;  // null: not written by the row
        int flags;
        int error;           // 0: opens
        std::string after;   // the file's bytes after "new" was written
    };
    const Row rows[] = {
        {"update keeps the bytes", "u", "old", O_RDWR, 0, "new"},
        {"append writes at the end", "a", "old", O_RDWR | O_APPEND, 0, "oldnew"},
        {"truncate empties", "t", "old", O_WRONLY | O_TRUNC, 0, "new"},
        {"create makes a missing file", "c", nullptr, O_RDWR | O_CREAT, 0, "new"},
        {"no create: missing stays missing", "m", nullptr, O_RDWR, ENOENT, ""},
        {"a FIFO is not opened", "fifo", nullptr, O_WRONLY | O_CREAT | O_TRUNC, EINVAL, ""},
        {"a link to a device is not opened", "null", nullptr, O_WRONLY | O_TRUNC, EINVAL, ""},
        {"a directory is not created over", ".", nullptr, O_RDWR | O_CREAT, EINVAL, ""},
        {"a name holding a NUL: nothing opened", std::string("u\0x", 3), nullptr, O_RDWR, ENOENT, ""},
        {"nor created", std::string("n\0x", 3), nullptr, O_RDWR | O_CREAT, ENOENT, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        if (row.before)
            dir.write(row.name, row.before);
        errno = 0;
        struct stat info {};
        const int fd = platform::openRegularFile(dir.file(row.name), row.flags, &info);
        if (row.error != 0) {
            EXPECT_EQ(-1, fd);
            EXPECT_EQ(row.error, errno);
            continue;
        }
        ASSERT_GE(fd, 0);
        EXPECT_TRUE(S_ISREG(info.st_mode));
        EXPECT_EQ(0, ::fcntl(fd, F_GETFL) & O_NONBLOCK);
        EXPECT_NE(0, ::fcntl(fd, F_GETFD) & FD_CLOEXEC);
        EXPECT_EQ(3, ::write(fd, "new", 3));
        ::close(fd);
        EXPECT_EQ(row.after, dir.read(row.name));
    }
    EXPECT_NE(0, ::access(dir.file("n").c_str(), F_OK)) << "the part before a NUL was created";
    struct stat fifo {};
    ASSERT_EQ(0, ::lstat(dir.file("fifo").c_str(), &fifo));
    EXPECT_TRUE(S_ISFIFO(fifo.st_mode));
}

// A read to the end stops at its limit instead of holding more: the patch
// cache's reader refuses a file beyond it rather than load gigabytes.
TEST(RegularFile, ReadToEndKeepsToItsLimit)
{
    TempDir dir;
    ASSERT_TRUE(dir.isValid());
    dir.write("ten", "0123456789");
    struct Row {
        std::size_t limit;
        bool read;
    };
    const Row rows[] = {{10, true}, {11, true}, {9, false}, {0, false}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.limit);
        const int fd = platform::openRegularFile(dir.file("ten"));
        ASSERT_GE(fd, 0);
        std::string bytes;
        errno = 0;
        EXPECT_EQ(r.read, platform::readToEnd(fd, bytes, r.limit));
        if (r.read) {
            EXPECT_EQ("0123456789", bytes);
        } else {
            EXPECT_EQ(EFBIG, errno);
            EXPECT_LE(bytes.size(), r.limit);
        }
        ::close(fd);
    }
}

// A buffer that already holds more than the limit takes nothing more: the
// room left is never computed below zero.
TEST(RegularFile, ReadToEndNeverWrapsPastItsLimit)
{
    TempDir dir;
    ASSERT_TRUE(dir.isValid());
    dir.write("one", "x");
    const int fd = platform::openRegularFile(dir.file("one"));
    ASSERT_GE(fd, 0);
    std::string bytes = "already twelve";
    errno = 0;
    EXPECT_FALSE(platform::readToEnd(fd, bytes, 4));
    EXPECT_EQ(EFBIG, errno);
    EXPECT_EQ("already twelve", bytes);
    ::close(fd);
}

// Looked up in its directory's descriptor and nowhere else: a rename of the
// directory after it was opened changes nothing; O_NOFOLLOW refuses a link
// as the last component, whatever it leads to.
TEST(RegularFile, OpensInTheDirectoryItIsGivenAndFollowsNoLinkWhenAsked)
{
    TempDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_EQ(0, ::mkdir(dir.file("out").c_str(), 0755));
    dir.write("out/a.err", "mine");
    dir.write("secret", "root's");
    ASSERT_EQ(0, ::symlink(dir.file("secret").c_str(), dir.file("out/log").c_str()));
    ASSERT_EQ(0, ::mkfifo(dir.file("out/fifo").c_str(), 0600));
    const int out = ::open(dir.file("out").c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(out, 0);
    ASSERT_EQ(0, ::rename(dir.file("out").c_str(), dir.file("moved").c_str()));
    ASSERT_EQ(0, ::mkdir(dir.file("out").c_str(), 0755));
    dir.write("out/a.err", "someone else's");

    struct Row {
        const char* name;
        int flags;
        bool opens;
        int error;
    };
    const Row rows[] = {
        {"a.err", O_RDONLY, true, 0},
        {"log", O_RDONLY, true, 0},  // followed where not asked otherwise
        {"log", O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW, false, ELOOP},
        {"fifo", O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW, false, EINVAL},
        {"new", O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW, true, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        errno = 0;
        const int fd = platform::openRegularFile(platform::FileAt{out, r.name}, r.flags);
        EXPECT_EQ(r.opens, fd >= 0);
        if (fd < 0) {
            EXPECT_EQ(r.error, errno);
            continue;
        }
        if (std::string(r.name) == "a.err") {
            std::string bytes;
            EXPECT_TRUE(platform::readToEnd(fd, bytes, 100));
            EXPECT_EQ("mine", bytes);
        }
        ::close(fd);
    }
    EXPECT_EQ("root's", dir.read("secret"));
    EXPECT_EQ("", dir.read("moved/new"));
    EXPECT_EQ(0, ::access(dir.file("moved/new").c_str(), F_OK));
    ::close(out);
}

// A name that its directory's owner keeps flipping between a regular file
// and a link to a FIFO is never opened as the FIFO: what the name leads to
// is looked at without opening it, and only a regular file is then opened,
// through what was looked at. inotify tells every open of the FIFO.
TEST(RegularFile, NeverOpensWhatANameIsFlippedTo)
{
    TempDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_EQ(0, ::mkfifo(dir.file("fifo").c_str(), 0600));
    dir.write("name", "regular");
    ASSERT_EQ(0, ::symlink("fifo", dir.file("flipped").c_str()));
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(::inotify_add_watch(watch, dir.file("fifo").c_str(), IN_OPEN), 0);

    std::atomic<bool> done{false};
    std::atomic<long> flips{0};
    std::thread flipper([&] {
        while (!done) {
            if (::renameat2(AT_FDCWD, dir.file("name").c_str(), AT_FDCWD, dir.file("flipped").c_str(),
                            RENAME_EXCHANGE) == 0)
                ++flips;
        }
    });
    // Enough opens that a lookup and an open by name apart would meet the
    // flip many times over.
    int regular = 0;
    for (int i = 0; i < 20000 || flips < 1000; ++i) {
        const int fd = platform::openRegularFile(dir.file("name"));
        if (fd >= 0) {
            struct stat state {};
            EXPECT_EQ(0, ::fstat(fd, &state));
            EXPECT_TRUE(S_ISREG(state.st_mode));
            ++regular;
            ::close(fd);
        } else {
            EXPECT_EQ(EINVAL, errno);
        }
    }
    done = true;
    flipper.join();
    char events[4096];
    EXPECT_EQ(-1, ::read(watch, events, sizeof events)) << "the FIFO was opened";
    EXPECT_EQ(EAGAIN, errno);
    EXPECT_GT(regular, 0);
    ::close(watch);
}

// Every byte reaches the descriptor, in as many writes as it takes; a
// descriptor that takes none is a failure with errno set.
TEST(RegularFile, WriteAllWritesEverythingOrSaysWhy)
{
    TempDir dir;
    ASSERT_TRUE(dir.isValid());
    // A pipe takes a little at a time: every write but the last is partial.
    const std::string big(3 * 1024 * 1024 + 17, 'v');
    const std::string head(70 * 1024 + 3, 'h');
    const std::string tail = "the section";
    const auto throughAPipe = [](const std::function<bool(int fd)>& write, const std::string& expected) {
        int ends[2];
        if (::pipe(ends) != 0)
            return false;
        const pid_t reader = ::fork();
        if (reader == 0) {
            ::close(ends[1]);
            std::string got;
            const bool read = platform::readToEnd(ends[0], got, got.max_size());
            ::_exit(read && got == expected ? 0 : 1);
        }
        ::close(ends[0]);
        const bool written = write(ends[1]);
        ::close(ends[1]);
        int status = 0;
        return ::waitpid(reader, &status, 0) == reader && written && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    };
    EXPECT_TRUE(throughAPipe([&](int fd) { return platform::writeAll(fd, big.data(), big.size()); }, big));
    EXPECT_TRUE(throughAPipe([&](int fd) { return platform::writeAll(fd, {head, "", big, tail}); }, head + big + tail));
    EXPECT_TRUE(throughAPipe([&](int fd) { return platform::writeAll(fd, {}); }, ""));

    const int readOnly = platform::openRegularFile(dir.write("ro", "x"));
    ASSERT_GE(readOnly, 0);
    errno = 0;
    EXPECT_FALSE(platform::writeAll(readOnly, "y", 1));
    EXPECT_EQ(EBADF, errno);
    errno = 0;
    EXPECT_FALSE(platform::writeAll(readOnly, {tail}));
    EXPECT_EQ(EBADF, errno);
    ::close(readOnly);
}
