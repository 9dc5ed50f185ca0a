// What the file holds when the section lands: only the bytes it was made
// for and whole sections of other runs before it, after a bounded wait for
// another holder of its lock.

#include "OutputFixture.h"
#include "support/DirectoryEntries.h"
#include "messages/R_Exceptions.h"
#include "platform/FileAt.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace outputtest;

// A section lands only on the bytes it was made for: the file under the lock
// must begin with exactly the bytes that were read, and only whole sections
// of other runs may follow them. Anything else (bytes lost, a stray byte,
// part of a record, a rewrite, another file) leaves the file as it is, and
// the failure says why. Both ways a section lands are tried: in place (a
// small file) and by a new file (a section that spans pages).
TEST_F(M_OutputTest, SectionLandsOnlyOnTheBytesItWasMadeFor)
{
    const U_Location line12 = U_Location::create(sourceFile(), 12, 3);
    const std::string small = kHeader + kOneSection + kOneSection;
    struct Row {
        const char* what;
        std::function<std::string(const std::string& read)> now;  // the file at close
        bool appended;
        const char* why;  // the start of the failure's text
    };
    const std::vector<Row> rows = {
        {"as it was read", [](const std::string& r) { return r; }, true, ""},
        {"another run's empty section added", [](const std::string& r) { return r + kSectionStart; }, true, ""},
        {"another run's section with a record", [](const std::string& r) { return r + kOneSection; }, true, ""},
        {"cut, header intact", [](const std::string& r) { return r.substr(0, r.size() - 3); }, false,
         "it is shorter than when it was read"},
        {"cut to its header", [](const std::string&) { return kHeader; }, false, "it is shorter"},
        {"one stray byte", [](const std::string& r) { return r + hex("01"); }, false,
         "bytes that are no whole sections follow"},
        {"three bytes of a record", [](const std::string& r) { return r + kOneSection.substr(0, 3); }, false,
         "bytes that are no whole sections follow"},
        {"a section and part of the next", [](const std::string& r) { return r + kSectionStart + hex("04 02"); },
         false, "bytes that are no whole sections follow"},
        {"a record that is no section start", [](const std::string& r) { return r + kOneSection.substr(5); },
         false, "bytes that are no whole sections follow"},
        {"rewritten, larger, by a fresh analysis",
         [](const std::string& r) {
             std::string other = r + kOneSection;
             other[12] ^= 1;
             return other;
         },
         false, "its bytes are no longer those it was read with"},
        {"rewritten, same size",
         [](const std::string& r) {
             std::string other = r;
             other[r.size() - 1] ^= 1;
             return other;
         },
         false, "its bytes are no longer those it was read with"},
    };
    for (const std::string& read : {small, fullLastPage()}) {
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(row.what) + (read == small ? ", in place" : ", by a new file"));
            const std::string path = dir.write("a.c.err", read);
            // Read a while ago: a rewrite now gives the file a time of its
            // own, however coarse the file system's clock.
            const struct timespec earlier[2] = {{1000000000, 0}, {1000000000, 0}};
            ASSERT_EQ(0, ::utimensat(AT_FDCWD, path.c_str(), earlier, 0));
            R_ReadImage image;
            image.bytes = read;
            ASSERT_EQ(0, ::stat(path.c_str(), &image.state));
            image.stable = true;
            M_Output::openAppend(path, platform::FileAt{AT_FDCWD, path}, image);
            sendBaseline(line12);
            const std::string now = row.now(read);
            if (now != read)
                dir.write("a.c.err", now);  // in place, as a program that takes no lock
            if (row.appended) {
                M_Output::close();
                EXPECT_EQ(toHex(now + kOneSection), toHex(dir.read("a.c.err")));
                EXPECT_EQ("", M_Output::lastFailure());
            } else {
                EXPECT_THROW(M_Output::close(), R_WritingException);
                EXPECT_EQ(toHex(now), toHex(dir.read("a.c.err")));
                EXPECT_EQ(0u, M_Output::lastFailure().rfind(row.why, 0)) << M_Output::lastFailure();
            }
        }
    }

    // Another file behind the name (a link flipped to it) with other bytes.
    const std::string mine = dir.write("mine.err", small);
    const std::string theirs = dir.write("theirs.err", kHeader + kOneSection);
    const std::string link = dir.file("a.c.err");
    ::unlink(link.c_str());
    ASSERT_EQ(0, ::symlink(mine.c_str(), link.c_str()));
    R_ReadImage image;
    image.bytes = small;
    ASSERT_EQ(0, ::stat(link.c_str(), &image.state));
    image.stable = true;
    M_Output::openAppend(link, platform::FileAt{AT_FDCWD, link}, image);
    sendBaseline(line12);
    ASSERT_EQ(0, ::unlink(link.c_str()));
    ASSERT_EQ(0, ::symlink(theirs.c_str(), link.c_str()));
    EXPECT_THROW(M_Output::close(), R_WritingException);
    EXPECT_EQ(toHex(small), toHex(dir.read("mine.err")));
    EXPECT_EQ(toHex(kHeader + kOneSection), toHex(dir.read("theirs.err")));
}

TEST_F(M_OutputTest, SectionLandsAfterWhatAnotherRunAppendedMeanwhile)
{
    const U_Location line12 = U_Location::create(sourceFile(), 12, 3);
    const std::string other = hex("01 00 00 00 00 01 00 00 00 00");
    const std::string path = dir.write("a.c.err", kHeader);
    M_Output::openAppend(path);
    sendBaseline(line12);
    // Another run puts its section in while this one works.
    replaceByRename(dir, "a.c.err", kHeader + other);
    M_Output::close();
    EXPECT_EQ(toHex(kHeader + other + kOneSection), toHex(dir.read("a.c.err")));

    // One that holds the lock is waited for, and its new file is the one
    // appended to. The holder replaces the file once this process has it
    // open, then lets go of the lock: the section can only follow its bytes
    // if the close waited.
    dir.write("b.c.err", kHeader);
    int ready[2];
    int opened[2];
    ASSERT_EQ(0, ::pipe(ready));
    ASSERT_EQ(0, ::pipe(opened));
    const pid_t holder = ::fork();
    ASSERT_NE(-1, holder);
    if (holder == 0) {
        const int fd = ::open(dir.file("b.c.err").c_str(), O_RDWR);
        if (fd < 0 || ::flock(fd, LOCK_EX) != 0)
            ::_exit(1);
        char got = 0;
        if (::write(ready[1], "x", 1) != 1 || ::read(opened[0], &got, 1) != 1)
            ::_exit(2);
        replaceByRename(dir, "b.c.err", kHeader + other);
        ::_exit(0);
    }
    ::close(ready[1]);
    ::close(opened[0]);
    char byte = 0;
    ASSERT_EQ(1, ::read(ready[0], &byte, 1));
    ::close(ready[0]);
    M_Output::openAppend(dir.file("b.c.err"));
    sendBaseline(line12);
    ASSERT_EQ(1, ::write(opened[1], "o", 1));
    ::close(opened[1]);
    M_Output::close();
    int status = 0;
    ASSERT_EQ(holder, ::waitpid(holder, &status, 0));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(toHex(kHeader + other + kOneSection), toHex(dir.read("b.c.err")));
}

// The wait for the lock is bounded: a holder that keeps it (any reader may
// take one) is told of after a second, and past the bound the file is left
// as it is and the close fails, saying why.
TEST_F(M_OutputTest, TheWaitForTheLockIsBounded)
{
    const U_Location line12 = U_Location::create(sourceFile(), 12, 3);
    const std::string path = dir.write("a.c.err", kHeader);
    const int reader = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    ASSERT_EQ(0, ::flock(reader, LOCK_SH));
    std::vector<std::string> told;
    M_Output::setLockWaitNotice([&](const std::string& file) { told.push_back(file); });
    ::setenv("VANTREL_LOCK_WAIT_MS", "1300", 1);
    M_Output::openAppend(path);
    ::unsetenv("VANTREL_LOCK_WAIT_MS");
    sendBaseline(line12);
    EXPECT_THROW(M_Output::close(), R_WritingException);
    M_Output::setLockWaitNotice(nullptr);
    EXPECT_EQ(std::vector<std::string>{path}, told);
    EXPECT_EQ("another process held its lock for more than 1300 ms", M_Output::lastFailure());
    EXPECT_EQ(toHex(kHeader), toHex(dir.read("a.c.err")));
    ::close(reader);
}

TEST_F(M_OutputTest, AppendRefusesWhatIsNoLongerAMessageFileAtClose)
{
    const U_Location line12 = U_Location::create(sourceFile(), 12, 3);
    struct Row {
        const char* what;
        std::string now;
    };
    const std::vector<Row> rows = {
        {"another program's text", "not a message file at all"},
        {"cut to its first int", hex("00 93 00 00")},
        {"generation 2", hex("00 77 00 00 00 00 00 00")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string path = dir.write("a.c.err", kHeader);
        M_Output::openAppend(path);
        sendBaseline(line12);
        replaceByRename(dir, "a.c.err", row.now);
        EXPECT_THROW(M_Output::close(), R_WritingException);
        EXPECT_EQ(toHex(row.now), toHex(dir.read("a.c.err")));
    }
    EXPECT_EQ((std::vector<std::string>{"a.c.err"}), directoryEntries(dir.path()));
}
