#include "messages/R_Reader.h"
#include "messages/R_Writer.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

using std::chrono::milliseconds;

// The 8-byte header of a generation-3 message file.
const std::string kHeader("\x00\x93\x00\x00\x00\x00\x00\x00", 8);

// A writer of one byte to path's end, bounded by bound.
struct OneByteAppend {
    OneByteAppend(const std::string& path, milliseconds bound) : writer(path)
    {
        EXPECT_TRUE(writer.openAppendExisting());
        writer.setLockWait(bound);
        writer.writeByte(7);
    }
    R_Writer writer;
};

// A shared lock of another open of path, as a reader of the file holds it.
int lockShared(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(0, ::flock(fd, LOCK_SH));
    return fd;
}

// What a read at an offset (pread) calls first, while set: the tests make
// something happen exactly while the writer reads a file again.
std::function<void()>& readHook()
{
    static std::function<void()> hook;
    return hook;
}

} // namespace

// Every pread of this test program comes here first.
extern "C" ssize_t pread(int fd, void* buffer, std::size_t size, off_t offset)
{
    using Pread = ssize_t (*)(int, void*, std::size_t, off_t);
    static const Pread next = reinterpret_cast<Pread>(::dlsym(RTLD_NEXT, "pread"));
    if (readHook()) {
        const std::function<void()> hook = std::move(readHook());
        hook();
        readHook() = hook;
    }
    return next(fd, buffer, size, offset);
}

extern "C" ssize_t pread64(int fd, void* buffer, std::size_t size, off_t offset)
{
    return pread(fd, buffer, size, offset);
}

// VANTREL_LOCK_WAIT_MS: any number the clock can measure is the bound, a
// larger one the longest the clock measures; anything else the minute.
TEST(R_WriterLock, TheBoundIsReadFromTheEnvironment)
{
    const milliseconds longest = std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::duration::max());
    const milliseconds minute{60 * 1000};
    struct Row {
        const char* value;
        milliseconds bound;
    };
    const Row rows[] = {
        {"0", milliseconds(0)},
        {"1300", milliseconds(1300)},
        {"9223372036853", milliseconds(9223372036853)},
        {"9223372036854775807", longest},
        {"99999999999999999999999", longest},
        {nullptr, minute},
        {"", minute},
        {"-5", minute},
        {"+5", minute},
        {" 5", minute},
        {"5s", minute},
        {"abc", minute},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.value ? row.value : "(unset)");
        EXPECT_EQ(row.bound.count(), R_Writer::lockWaitFrom(row.value).count());
    }
}

// A bound as long as the clock can measure is waited for like any other:
// the wait lasts until the holder lets go, and the append lands then.
TEST(R_WriterLock, TheLongestBoundIsHonoured)
{
    TempDir dir;
    const std::string path = dir.write("a.c.err", kHeader);
    const int holder = lockShared(path);
    OneByteAppend append(path, milliseconds::max());
    std::mutex mutex;
    std::condition_variable changed;
    bool told = false;
    append.writer.onLongLockWait([&] {
        const std::lock_guard<std::mutex> hold(mutex);
        told = true;
        changed.notify_all();
    });
    std::atomic<bool> closed{false};
    bool written = false;
    std::thread closer([&] {
        written = append.writer.close();
        closed = true;
        const std::lock_guard<std::mutex> hold(mutex);
        changed.notify_all();
    });
    {
        std::unique_lock<std::mutex> hold(mutex);
        changed.wait_for(hold, std::chrono::seconds(60), [&] { return told || closed.load(); });
    }
    EXPECT_TRUE(told);
    EXPECT_FALSE(closed) << append.writer.failure();
    ::close(holder);
    closer.join();
    EXPECT_TRUE(written) << append.writer.failure();
    EXPECT_EQ(kHeader + "\x07", dir.read("a.c.err"));
}

// A wait that passes the second and the bound at one look (a bound of a
// second, or a process stopped meanwhile) is told of too.
TEST(R_WriterLock, ALongWaitIsToldAlsoWhenItEndsAtTheBound)
{
    TempDir dir;
    const std::string path = dir.write("a.c.err", kHeader);
    const int holder = lockShared(path);
    OneByteAppend append(path, milliseconds(1000));
    int told = 0;
    append.writer.onLongLockWait([&] { ++told; });
    EXPECT_FALSE(append.writer.close());
    EXPECT_EQ(1, told);
    EXPECT_EQ("another process held its lock for more than 1 s", append.writer.failure());
    EXPECT_EQ(kHeader, dir.read("a.c.err"));
    ::close(holder);
}

// Someone who renames a fresh copy of the file over its name each time the
// writer reads the file again under its lock (here: at every pread while
// the hook is set) keeps the writer from ever appending; all its tries share one
// bound, past which it gives up and leaves the file as it is.
TEST(R_WriterLock, TriesOnFilesRenamedInWithoutEndShareOneBound)
{
    TempDir dir;
    // A section of several pages goes into a new file, made after the
    // file's bytes are read again.
    const std::string bytes = kHeader + std::string(100, 'x');
    const std::string path = dir.write("a.c.err", bytes);
    R_Reader reader(path);
    ASSERT_TRUE(reader.open());
    R_Writer writer(path);
    ASSERT_TRUE(writer.openAppendExisting());
    writer.requireImage(reader.takeImage(), [](const char*, std::size_t) { return true; });
    writer.setLockWait(milliseconds(300));
    writer.writeRaw(std::string(3 * 4096, 's').data(), 3 * 4096);

    // Another file of the same bytes, which the writer reads again to know.
    const std::string first = dir.write("fresh", bytes);
    ASSERT_EQ(0, std::rename(first.c_str(), path.c_str()));
    long renames = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    readHook() = [&] {
        if (std::chrono::steady_clock::now() > deadline)
            return;
        const std::string fresh = dir.write("fresh", bytes);
        if (std::rename(fresh.c_str(), path.c_str()) == 0)
            ++renames;
    };
    const bool written = writer.close();
    readHook() = nullptr;
    EXPECT_FALSE(written);
    EXPECT_EQ("its name led to another file at each try for more than 300 ms", writer.failure());
    EXPECT_GT(renames, 1);
    EXPECT_TRUE(bytes == dir.read("a.c.err"));
}
