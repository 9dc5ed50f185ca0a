#include "platform/BlockedSignals.h"
#include "platform/ReplacementFile.h"
#include "platform/TempFile.h"

#include "support/DeadPid.h"
#include "support/DirectoryEntries.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/xattr.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

bool writeText(int fd, const std::string& text)
{
    return ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
}

} // namespace

// The entry is the name itself, looked at through its directory: a link is
// a link, whatever it leads to.
TEST(ReplacementFile, TheEntryIsTheNameItself)
{
    TempDir dir;
    dir.write("file", "x");
    ASSERT_EQ(0, ::symlink("file", dir.file("link").c_str()));
    ASSERT_EQ(0, ::symlink("missing", dir.file("dangling").c_str()));
    ASSERT_EQ(0, ::mkdir(dir.file("sub").c_str(), 0755));
    struct Row {
        std::string path;
        bool opens;
        int error;       // of open, else of entry; 0: the entry is there
        mode_t kind;
    };
    const Row rows[] = {
        {dir.file("file"), true, 0, S_IFREG},
        {dir.file("link"), true, 0, S_IFLNK},
        {dir.file("dangling"), true, 0, S_IFLNK},
        {dir.file("sub"), true, 0, S_IFDIR},
        {dir.file("absent"), true, ENOENT, 0},
        {dir.file("sub/"), false, EINVAL, 0},
        {dir.file("sub/.."), false, EINVAL, 0},
        {dir.file("missing/file"), false, ENOENT, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        platform::ReplacementFile file;
        errno = 0;
        ASSERT_EQ(row.opens, file.open(row.path));
        struct stat info {};
        if (row.opens) {
            EXPECT_EQ(row.error == 0, file.entry(info));
        }
        if (row.error != 0) {
            EXPECT_EQ(row.error, errno);
        } else {
            EXPECT_EQ(row.kind, info.st_mode & S_IFMT);
        }
    }
}

TEST(ReplacementFile, NothingIsSeenBeforeCommitAndNothingStaysAfterDiscard)
{
    TempDir dir;
    const std::string target = dir.write("target", "old");
    {
        platform::ReplacementFile file;
        ASSERT_TRUE(file.open(target));
        ASSERT_TRUE(file.create(0600));
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
        ASSERT_TRUE(dropped.open(target));
        ASSERT_TRUE(dropped.create(0600));
        ASSERT_TRUE(writeText(dropped.fd(), "lost"));
    }
    platform::ReplacementFile discarded;
    ASSERT_TRUE(discarded.open(dir.file("fresh")));
    ASSERT_TRUE(discarded.create(0600));
    discarded.discard();
    EXPECT_FALSE(discarded.commit(false));
    EXPECT_EQ("new", dir.read("target"));
    EXPECT_EQ((std::vector<std::string>{"target"}), directoryEntries(dir.path()));

    // A rename refused (a directory holding a file is at the name): its
    // errno, and no name left behind.
    ASSERT_EQ(0, ::mkdir(dir.file("busy").c_str(), 0755));
    dir.write("busy/inside", "x");
    platform::ReplacementFile refused;
    ASSERT_TRUE(refused.open(dir.file("busy")));
    ASSERT_TRUE(refused.create(0600));
    errno = 0;
    EXPECT_FALSE(refused.commit(false));
    EXPECT_EQ(EISDIR, errno);
    EXPECT_EQ((std::vector<std::string>{"busy", "target"}), directoryEntries(dir.path()));
}

// The new file takes the name only from the file that was checked: one
// renamed in at the name meanwhile (an analyser's fresh result) keeps it,
// and the new file goes. Either way no temporary name is left.
TEST(ReplacementFile, SwapsInOnlyOverTheFileThatWasChecked)
{
    TempDir dir;
    for (const bool renamedIn : {false, true}) {
        SCOPED_TRACE(renamedIn ? "another file renamed in" : "the file checked");
        const std::string target = dir.write("target", "old");
        struct stat checked {};
        ASSERT_EQ(0, ::lstat(target.c_str(), &checked));
        platform::ReplacementFile file;
        ASSERT_TRUE(file.open(target));
        ASSERT_TRUE(file.create(0600));
        ASSERT_TRUE(writeText(file.fd(), "old and new"));
        if (renamedIn) {
            const std::string fresh = dir.write("fresh", "fresh");
            ASSERT_EQ(0, std::rename(fresh.c_str(), target.c_str()));
        }
        const platform::ReplacementFile::Swap swap = file.commitOver(checked);
        EXPECT_EQ(renamedIn ? platform::ReplacementFile::Swap::NotThatFile : platform::ReplacementFile::Swap::Done,
                  swap);
        EXPECT_EQ(renamedIn ? "fresh" : "old and new", dir.read("target"));
        EXPECT_EQ((std::vector<std::string>{"target"}), directoryEntries(dir.path()));
    }
}

// What is replaced is the entry: a link at the name gives way to the new
// file, and what it led to stays as it was.
TEST(ReplacementFile, ALinkIsReplacedNeverWrittenThrough)
{
    TempDir dir;
    dir.write("outside", "kept");
    ASSERT_EQ(0, ::symlink("outside", dir.file("name").c_str()));
    platform::ReplacementFile file;
    ASSERT_TRUE(file.open(dir.file("name")));
    ASSERT_TRUE(file.create(0600));
    ASSERT_TRUE(writeText(file.fd(), "new"));
    ASSERT_TRUE(file.commit(false));
    struct stat info {};
    ASSERT_EQ(0, ::lstat(dir.file("name").c_str(), &info));
    EXPECT_TRUE(S_ISREG(info.st_mode));
    EXPECT_EQ("new", dir.read("name"));
    EXPECT_EQ("kept", dir.read("outside"));
}

namespace {

bool setFlags(int fd, int flags)
{
    int now = 0;
    if (::ioctl(fd, FS_IOC_GETFLAGS, &now) != 0)
        return false;
    now |= flags;
    return ::ioctl(fd, FS_IOC_SETFLAGS, &now) == 0;
}

int flagsOf(int fd)
{
    int flags = 0;
    return ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 ? flags : -1;
}

mode_t modeOf(int fd)
{
    struct stat info {};
    ::fstat(fd, &info);
    return info.st_mode & 07777;
}

std::string attributeOf(int fd, const char* name)
{
    char value[64] = {};
    const ssize_t n = ::fgetxattr(fd, name, value, sizeof value - 1);
    return n < 0 ? std::string("<none>") : std::string(value, static_cast<std::size_t>(n));
}

// A descriptor of a file whose inode flags a test sets: when it goes, it
// takes off the flags that keep a file from being removed (append-only,
// immutable), so that an assertion that fails on the way leaves no file
// behind that cannot be removed.
class FlaggedFile {
public:
    explicit FlaggedFile(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~FlaggedFile()
    {
        if (fd_ < 0)
            return;
        const int flags = flagsOf(fd_);
        if (flags > 0 && (flags & (FS_APPEND_FL | FS_IMMUTABLE_FL)) != 0) {
            int removable = flags & ~(FS_APPEND_FL | FS_IMMUTABLE_FL);
            (void)::ioctl(fd_, FS_IOC_SETFLAGS, &removable);
        }
        ::close(fd_);
    }
    FlaggedFile(const FlaggedFile&) = delete;
    FlaggedFile& operator=(const FlaggedFile&) = delete;

    int fd() const { return fd_; }

private:
    int fd_;
};

// One thing the new file takes from the old one, or that refuses it.
struct TakenRow {
    const char* what;
    bool needsRoot;
    const char* feature;          // what the file system must offer for prepare; nullptr: nothing
    bool (*prepare)(int oldFd);   // on the old file
    void (*onNew)(int newFd);     // on the new file before it takes the old one's
    bool taken;
    bool (*same)(int newFd);      // of a new file that took everything
};

void PrintTo(const TakenRow& row, std::ostream* out)
{
    *out << row.what;
}

const TakenRow kTakenRows[] = {
    {"mode 0751", false, nullptr, [](int fd) { return ::fchmod(fd, 0751) == 0; }, [](int) {}, true,
     [](int n) { return modeOf(n) == 0751; }},
    {"set-user-id and sticky bits", false, nullptr,
     [](int fd) { return ::fchmod(fd, 07644) == 0; }, [](int) {}, true, [](int n) { return modeOf(n) == 07644; }},
    {"an extended attribute", false, "user extended attributes",
     [](int fd) { return ::fsetxattr(fd, "user.origin", "analyser", 8, 0) == 0; }, [](int) {}, true,
     [](int n) { return attributeOf(n, "user.origin") == "analyser"; }},
    {"an attribute the old file lacks is not kept", false, "user extended attributes",
     [](int fd) { return ::fsetxattr(fd, "user.a", "1", 1, 0) == 0; },
     [](int fd) { (void)::fsetxattr(fd, "user.extra", "x", 1, 0); }, true,
     [](int n) { return attributeOf(n, "user.extra") == "<none>" && attributeOf(n, "user.a") == "1"; }},
    {"another owner and group", true, nullptr, [](int fd) { return ::fchown(fd, 1234, 5678) == 0; },
     [](int) {}, true,
     [](int n) {
         struct stat info {};
         ::fstat(n, &info);
         return info.st_uid == 1234u && info.st_gid == 5678u;
     }},
    {"an inode flag (nodump)", false, "inode flags", [](int fd) { return setFlags(fd, FS_NODUMP_FL); },
     [](int) {}, true, [](int n) { return flagsOf(n) >= 0 && (flagsOf(n) & FS_NODUMP_FL) != 0; }},
    {"append-only", true, "inode flags", [](int fd) { return setFlags(fd, FS_APPEND_FL); },
     [](int) {}, false, nullptr},
};

class ReplacementFileTakes : public ::testing::TestWithParam<TakenRow> {};

} // namespace

// The new file takes the old one's owner, group, mode, attributes and flags,
// or the replacement is refused: a new file that differs in any of them is
// no replacement. A row that needs what the machine lacks (extended
// attributes, inode flags, root) is skipped, saying which.
TEST_P(ReplacementFileTakes, EverythingFromTheOldFileOrRefuses)
{
    const TakenRow& row = GetParam();
    if (row.needsRoot && ::geteuid() != 0)
        GTEST_SKIP() << row.what << ": needs root";
    TempDir dir;
    const std::string path = dir.write("old", "old");
    const FlaggedFile old(path);
    ASSERT_GE(old.fd(), 0);
    errno = 0;
    if (!row.prepare(old.fd())) {
        const std::string why = std::strerror(errno);
        if (row.feature == nullptr)
            FAIL() << row.what << " cannot be set: " << why;
        GTEST_SKIP() << row.what << ": the file system takes no " << row.feature << " (" << why << ")";
    }
    struct stat info {};
    ASSERT_EQ(0, ::fstat(old.fd(), &info));
    platform::ReplacementFile file;
    ASSERT_TRUE(file.open(path));
    ASSERT_TRUE(file.create(0600));
    row.onNew(file.fd());
    errno = 0;
    EXPECT_EQ(row.taken, file.takeEverythingFrom(old.fd(), info));
    if (row.taken) {
        EXPECT_TRUE(row.same(file.fd()));
    } else {
        EXPECT_EQ(EPERM, errno);
    }
    file.discard();
}

INSTANTIATE_TEST_SUITE_P(Row, ReplacementFileTakes, ::testing::ValuesIn(kTakenRows));

// A file the process may not give away: as another user than its owner, the
// new file cannot take the old one's owner.
TEST(ReplacementFile, RefusesAnOwnerItMayNotGive)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to make a file of another user";
    TempDir dir;
    const std::string path = dir.write("theirs", "old");
    ASSERT_EQ(0, ::chown(path.c_str(), 1234, 1234));
    ASSERT_EQ(0, ::chmod(dir.path().c_str(), 0777));
    const pid_t child = ::fork();
    ASSERT_NE(-1, child);
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(3);
        const int oldFd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        struct stat info {};
        platform::ReplacementFile file;
        if (oldFd < 0 || ::fstat(oldFd, &info) != 0 || !file.open(path) || !file.create(0600))
            ::_exit(4);
        ::_exit(!file.takeEverythingFrom(oldFd, info) && errno == EPERM ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(child, ::waitpid(child, &status, 0));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "1: taken; 3, 4: not set up";
}

namespace {

// A temporary name of a replacement of process pid, written out by hand.
std::string temporaryOf(pid_t pid, int attempt)
{
    char name[64];
    std::snprintf(name, sizeof name, ".vantrel-%010d-%02d.tmp", static_cast<int>(pid), attempt);
    return name;
}

void removeStaleReplacementsIn(const TempDir& dir)
{
    const int dirFd = ::open(dir.path().c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(dirFd, 0);
    platform::removeStaleTemporaries(dirFd, platform::kReplacementPrefix);
    ::close(dirFd);
}

} // namespace

// Only names of the program's own form, regular files of the running user
// whose process has ended, are removed: nothing a user or a live run made.
TEST(ReplacementFile, StaleTemporariesOfEndedProcessesAreRemoved)
{
    TempDir dir;
    const pid_t ended = deadPid();
    ASSERT_GT(ended, 0);
    const std::string dead = std::to_string(ended);
    struct Row {
        std::string name;
        bool removed;
    };
    const std::vector<Row> rows = {
        {temporaryOf(ended, 0), true},
        {temporaryOf(ended, 99), true},
        {temporaryOf(::getpid(), 0), false},  // a replacement may be under way
        {".vantrel-" + dead + "-00.tmp", false},  // the pid not of ten digits
        {temporaryOf(ended, 0) + "x", false},
        {"x" + temporaryOf(ended, 0), false},
        {"build.err.20240611.2.tmp", false},  // a user's own
        {"a.c.err." + dead + ".0.tmp", false},
        {".vantrel-0000000000-00.tmp", false},  // no process 0
    };
    for (const Row& row : rows)
        dir.write(row.name, "x");
    // Of the right form, but a directory or a link.
    const std::string asDirectory = temporaryOf(ended, 1);
    const std::string asLink = temporaryOf(ended, 2);
    ASSERT_EQ(0, ::mkdir(dir.file(asDirectory).c_str(), 0755));
    ASSERT_EQ(0, ::symlink("build.err.20240611.2.tmp", dir.file(asLink).c_str()));

    removeStaleReplacementsIn(dir);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.removed, ::access(dir.file(row.name).c_str(), F_OK) != 0);
    }
    struct stat info {};
    EXPECT_EQ(0, ::lstat(dir.file(asDirectory).c_str(), &info));
    EXPECT_EQ(0, ::lstat(dir.file(asLink).c_str(), &info));
    ::rmdir(dir.file(asDirectory).c_str());
}

// One of the right form that another user owns is theirs, whatever its
// name says.
TEST(ReplacementFile, AnotherUsersStaleTemporaryStays)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to make a file of another user";
    TempDir dir;
    const pid_t ended = deadPid();
    ASSERT_GT(ended, 0);
    const std::string others = temporaryOf(ended, 3);
    dir.write(others, "x");
    ASSERT_EQ(0, ::chown(dir.file(others).c_str(), 1234, 1234));
    removeStaleReplacementsIn(dir);
    struct stat info {};
    EXPECT_EQ(0, ::lstat(dir.file(others).c_str(), &info));
}

namespace {

volatile std::sig_atomic_t caught = 0;

// Gives signo its default action through the system call itself: the C
// library's sigaction refuses 32 and 33. The kernel's sigaction: handler,
// flags, restorer, then a mask of 64 bits.
bool toDefaultAction(int signo)
{
    struct {
        void (*handler)(int);
        unsigned long flags;
        void (*restorer)();
        std::uint64_t mask;
    } action = {SIG_DFL, 0, nullptr, 0};
    return ::syscall(SYS_rt_sigaction, signo, &action, nullptr, sizeof action.mask) == 0;
}

void onSignal(int signo)
{
    caught = signo;
}

} // namespace

TEST(BlockedSignals, HoldsEverySignalUntilItEnds)
{
    // In a child, whose signal handling the test may change at will.
    const pid_t child = ::fork();
    ASSERT_NE(-1, child);
    if (child == 0) {
        for (int signo : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGALRM, SIGXCPU, SIGPROF, SIGRTMIN + 3}) {
            std::signal(signo, onSignal);
            caught = 0;
            {
                platform::BlockedSignals held;
                ::raise(signo);
                if (caught != 0)
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
    EXPECT_EQ(0, WEXITSTATUS(status)) << "1: delivered while held; 2: not delivered after";

    // 32 and 33, which the C library keeps for itself and leaves out of
    // every mask it makes. Once a thread has been made, the C library has a
    // handler for 33 (and for 32 once a thread has been cancelled) that does
    // nothing with a signal sent by kill, so the child first gives each back
    // its default action, which ends the process: then the write is made
    // only if the signal is held, and the signal ends the child once let go.
    for (int signo : {32, 33}) {
        SCOPED_TRACE(signo);
        int told[2];
        ASSERT_EQ(0, ::pipe(told));
        const pid_t held = ::fork();
        ASSERT_NE(-1, held);
        if (held == 0) {
            ::close(told[0]);
            if (!toDefaultAction(signo))
                ::_exit(4);
            {
                platform::BlockedSignals blocked;
                ::kill(::getpid(), signo);
                if (::write(told[1], "h", 1) != 1)
                    ::_exit(3);
            }
            ::_exit(0);
        }
        ::close(told[1]);
        char byte = 0;
        const ssize_t got = ::read(told[0], &byte, 1);
        ::close(told[0]);
        int heldStatus = 0;
        ASSERT_EQ(held, ::waitpid(held, &heldStatus, 0));
        EXPECT_EQ(1, got) << "ended while the signal was held";
        EXPECT_TRUE(WIFSIGNALED(heldStatus) && WTERMSIG(heldStatus) == signo)
            << "status " << heldStatus << " (exit 4: the default action could not be set)";
    }
}
