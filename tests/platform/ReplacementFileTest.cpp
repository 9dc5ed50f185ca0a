#include "platform/BlockedSignals.h"
#include "platform/ReplacementFile.h"

#include "support/TempDir.h"
#include "support/DirectoryEntries.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <string>
#include <vector>

#include <dirent.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

bool writeText(int fd, const std::string& text)
{
    return ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
}

} // namespace

TEST(ReplacementFile, TargetIsTheEndOfALinkAndNothingForALinkToNothing)
{
    TempDir dir;
    dir.write("file", "x");
    ASSERT_EQ(0, ::symlink("file", dir.file("link").c_str()));
    ASSERT_EQ(0, ::symlink("link", dir.file("chain").c_str()));
    ASSERT_EQ(0, ::symlink("missing", dir.file("dangling").c_str()));
    ASSERT_EQ(0, ::symlink("loop", dir.file("loop").c_str()));
    struct Row {
        const char* name;
        bool found;
        std::string target;
    };
    const Row rows[] = {
        {"file", true, dir.file("file")},       {"absent", true, dir.file("absent")},
        {"link", true, dir.file("file")},       {"chain", true, dir.file("file")},
        {"dangling", false, ""},                {"loop", false, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::string target = "unchanged";
        EXPECT_EQ(row.found, platform::replacementTarget(dir.file(row.name), target));
        if (row.found) {
            EXPECT_EQ(row.target, target);
        }
    }
    EXPECT_EQ(".", platform::directoryOf("name"));
    EXPECT_EQ("/", platform::directoryOf("/name"));
    EXPECT_EQ("a/b", platform::directoryOf("a/b/name"));
}

TEST(ReplacementFile, NothingIsSeenBeforeCommitAndNothingStaysAfterDiscard)
{
    TempDir dir;
    const std::string target = dir.write("target", "old");
    {
        platform::ReplacementFile file;
        ASSERT_TRUE(file.create(target, 0600));
        ASSERT_TRUE(writeText(file.fd(), "new"));
        EXPECT_EQ((std::vector<std::string>{"target"}), directoryEntries(dir.path())) << "unnamed while written";
        EXPECT_EQ("old", dir.read("target"));
        ASSERT_TRUE(file.commit(true));
        EXPECT_EQ(-1, file.fd());
    }
    EXPECT_EQ("new", dir.read("target"));
    EXPECT_EQ((std::vector<std::string>{"target"}), directoryEntries(dir.path()));

    {
        platform::ReplacementFile dropped;
        ASSERT_TRUE(dropped.create(target, 0600));
        ASSERT_TRUE(writeText(dropped.fd(), "lost"));
    }
    platform::ReplacementFile discarded;
    ASSERT_TRUE(discarded.create(dir.file("fresh"), 0600));
    discarded.discard();
    EXPECT_FALSE(discarded.commit(false));
    EXPECT_EQ("new", dir.read("target"));
    EXPECT_EQ((std::vector<std::string>{"target"}), directoryEntries(dir.path()));

    platform::ReplacementFile nowhere;
    EXPECT_FALSE(nowhere.create(dir.file("missing/target"), 0600));
    EXPECT_EQ(ENOENT, errno);
}

TEST(ReplacementFile, TakesTheModeItIsGiven)
{
    TempDir dir;
    const std::string target = dir.write("target", "old");
    ASSERT_EQ(0, ::chmod(target.c_str(), 0751));
    struct stat old {};
    ASSERT_EQ(0, ::stat(target.c_str(), &old));
    platform::ReplacementFile file;
    ASSERT_TRUE(file.create(target, 0600));
    file.takeAttributes(old);
    ASSERT_TRUE(file.commit(false));
    struct stat now {};
    ASSERT_EQ(0, ::stat(target.c_str(), &now));
    EXPECT_EQ(0751u, now.st_mode & 07777);
    EXPECT_EQ(old.st_uid, now.st_uid);
    EXPECT_NE(old.st_ino, now.st_ino);
}

TEST(ReplacementFile, StaleTemporariesOfEndedProcessesAreRemoved)
{
    TempDir dir;
    const pid_t ended = ::fork();
    if (ended == 0)
        ::_exit(0);
    ASSERT_EQ(ended, ::waitpid(ended, nullptr, 0));
    const std::string dead = std::to_string(ended);
    const std::string live = std::to_string(::getpid());
    struct Row {
        std::string name;
        bool removed;
    };
    const std::vector<Row> rows = {
        {"t.err." + dead + ".0.tmp", true},
        {"a.b.err." + dead + ".99.tmp", true},
        {"t.err." + live + ".0.tmp", false},    // a replacement may be under way
        {"other." + dead + ".0.tmp", false},    // not a base accepted
        {"t.err." + dead + ".tmp", false},      // no attempt number
        {"t.err." + dead + ".0.tmpx", false},
        {"t.err.0x1." + dead + ".tmp", false},
        {"." + dead + ".0.tmp", false},         // no base
        {"t.err.1234567890.0.tmp", false},      // no pid has ten digits
    };
    for (const Row& row : rows)
        dir.write(row.name, "x");
    platform::removeStaleReplacements(dir.path(), [](const std::string& base) {
        return base.size() > 4 && base.compare(base.size() - 4, 4, ".err") == 0;
    });
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.removed, ::access(dir.file(row.name).c_str(), F_OK) != 0);
    }
    platform::removeStaleReplacements(dir.file("missing"), [](const std::string&) { return true; });
}

namespace {

volatile std::sig_atomic_t caught = 0;

void onSignal(int signo)
{
    caught = signo;
}

} // namespace

TEST(BlockedSignals, HoldsTheCatchableSignalsUntilItEnds)
{
    // In a child, whose signal handling the test may change at will.
    const pid_t child = ::fork();
    ASSERT_NE(-1, child);
    if (child == 0) {
        for (int signo : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1}) {
            std::signal(signo, onSignal);
            caught = 0;
            {
                platform::BlockedSignals held;
                ::raise(signo);
                if ((caught != 0) != (signo == SIGUSR1))
                    ::_exit(1);
            }
            if (caught != signo)
                ::_exit(2);
        }
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(child, ::waitpid(child, &status, 0));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(0, WEXITSTATUS(status)) << "1: delivered while held (or SIGUSR1 held); 2: not delivered after";
}
