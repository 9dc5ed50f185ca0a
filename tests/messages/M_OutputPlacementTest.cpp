// How a section lands: in place where it fits in the file's last page or
// where a new file could not be the old one in every respect, else in a new
// file renamed over the name; what killed runs left beside the file is
// removed.

#include "OutputFixture.h"
#include "support/DeadPid.h"
#include "support/DirectoryEntries.h"
#include "messages/R_Exceptions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace outputtest;

// A section that fits in the file's last page is written in place (one
// write lands whole even under SIGKILL); one that would span two pages goes
// into a new file renamed over the name. The bytes are the same either way.
TEST_F(M_OutputTest, SectionInTheLastPageGoesInPlaceElseIntoANewFile)
{
    const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    const U_Location line12 = U_Location::create(sourceFile(), 12, 3);
    struct Row {
        std::size_t size;  // of the file before the append
        bool inPlace;
    };
    const std::vector<Row> rows = {
        {kHeader.size(), true},
        {page - kOneSection.size(), true},       // ends exactly at the page's end
        {page - kOneSection.size() + 1, false},  // one byte into the next page
        {page, true},                            // begins a new page
        {2 * page - 1, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.size);
        const std::string old = kHeader + std::string(row.size - kHeader.size(), '\x7f');
        const std::string path = dir.write("a.c.err", old);
        const struct stat before = statOf(path);
        M_Output::openAppend(path);
        sendBaseline(line12);
        M_Output::close();
        EXPECT_EQ(toHex(old + kOneSection), toHex(dir.read("a.c.err")));
        EXPECT_EQ(row.inPlace, statOf(path).st_ino == before.st_ino);
        ASSERT_EQ(0, ::unlink(path.c_str()));
    }
}

namespace {

// The section of sends baseline suppressions on lines 1 to lines of the
// source, column 3, as hand-written records.
std::string sectionOfLines(int lines)
{
    std::string section = kSectionStart;
    for (int line = 1; line <= lines; ++line)
        section += newRecord(static_cast<std::uint32_t>(line - 1), line == 1,
                             toHex(recordtest::le(static_cast<std::uint32_t>(line)) + recordtest::le(3)));
    return section;
}

// A message file whose section spans pages, made different from a plain
// file of the running user in one respect.
struct SpanningRow {
    const char* what;
    bool needsRoot;
    const char* feature;  // what the file system must offer for prepare; nullptr: nothing
    int lines;            // of the section
    bool (*prepare)(const TempDir& dir, const std::string& path);
    bool replaced;
    void (*check)(const TempDir& dir, const std::string& path);  // after the append
    bool asOther;                                                 // the append runs as user 65534
};

void PrintTo(const SpanningRow& row, std::ostream* out)
{
    *out << row.what;
}

bool linkSecondName(const TempDir& dir, const std::string& path)
{
    return ::link(path.c_str(), dir.file("second").c_str()) == 0;
}

void expectOneFileOfTwoNames(const TempDir& dir, const std::string& path)
{
    EXPECT_EQ(statOf(path).st_ino, statOf(dir.file("second")).st_ino);
}

const SpanningRow kSpanningRows[] = {
    {"mode", false, nullptr, 1,
     [](const TempDir&, const std::string& p) { return ::chmod(p.c_str(), 0640) == 0; }, true,
     [](const TempDir&, const std::string& p) { EXPECT_EQ(0640u, statOf(p).st_mode & 07777); }, false},
    {"mode, owner and group", true, nullptr, 1,
     [](const TempDir&, const std::string& p) {
         return ::chmod(p.c_str(), 0640) == 0 && ::chown(p.c_str(), 1234, 5678) == 0;
     },
     true,
     [](const TempDir&, const std::string& p) {
         EXPECT_EQ(0640u, statOf(p).st_mode & 07777);
         EXPECT_EQ(1234u, statOf(p).st_uid);
         EXPECT_EQ(5678u, statOf(p).st_gid);
     },
     false},
    {"an extended attribute", false, "user extended attributes", 1,
     [](const TempDir&, const std::string& p) { return ::setxattr(p.c_str(), "user.k", "v", 1, 0) == 0; }, true,
     [](const TempDir&, const std::string& p) {
         char value[8] = {};
         EXPECT_EQ(1, ::getxattr(p.c_str(), "user.k", value, sizeof value));
         EXPECT_STREQ("v", value);
     },
     false},
    {"a second name", false, nullptr, 1, linkSecondName, false, expectOneFileOfTwoNames, false},
    {"a second name, a section of several pages", false, nullptr, 300, linkSecondName,
     false, expectOneFileOfTwoNames, false},
    {"another user's file, which a new file cannot be given to", true, nullptr, 1,
     [](const TempDir& dir, const std::string& p) {
         return ::chown(p.c_str(), 1234, 1234) == 0 && ::chmod(p.c_str(), 0666) == 0 &&
                ::chmod(dir.path().c_str(), 0777) == 0;
     },
     false, [](const TempDir&, const std::string& p) { EXPECT_EQ(1234u, statOf(p).st_uid); }, true},
};

class M_OutputSpanningTest : public M_OutputTest, public ::testing::WithParamInterface<SpanningRow> {};

} // namespace

// A section that spans pages goes into a new file only where that file can
// be the old one in every respect; else in place. Either way the bytes are
// the old ones and the section, and every name of the file sees them. A row
// that needs what the machine lacks (root, extended attributes) is
// skipped, saying which.
TEST_P(M_OutputSpanningTest, ReplacedOnlyWhereTheNewFileIsTheSame)
{
    const SpanningRow& row = GetParam();
    if (row.needsRoot && ::geteuid() != 0)
        GTEST_SKIP() << row.what << ": needs root";
    const std::string path = dir.write("a.c.err", fullLastPage());
    errno = 0;
    if (!row.prepare(dir, path)) {
        const std::string why = std::strerror(errno);
        if (row.feature == nullptr)
            FAIL() << row.what << " cannot be set up: " << why;
        GTEST_SKIP() << row.what << ": the file system takes no " << row.feature << " (" << why << ")";
    }
    const ino_t inode = statOf(path).st_ino;
    const int code = inChild([&] {
        if (row.asOther && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            return 3;
        try {
            M_Output::openAppend(path);
            for (int line = 1; line <= row.lines; ++line)
                sendBaseline(U_Location::create(sourceFile(), line, 3));
            M_Output::close();
        } catch (...) {
            return 1;
        }
        return 0;
    });
    EXPECT_EQ(0, code);
    const std::string section = sectionOfLines(row.lines);
    EXPECT_EQ(toHex(fullLastPage() + section), toHex(dir.read("a.c.err")));
    EXPECT_EQ(row.replaced, statOf(path).st_ino != inode);
    row.check(dir, path);
    if (!row.replaced && row.lines > 1) {
        EXPECT_GT(section.size(), 2 * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE)));
    }
    ::unlink(dir.file("second").c_str());
    ASSERT_EQ(0, ::unlink(path.c_str()));
    EXPECT_EQ(std::vector<std::string>{}, directoryEntries(dir.path()));
}

INSTANTIATE_TEST_SUITE_P(Row, M_OutputSpanningTest, ::testing::ValuesIn(kSpanningRows));

// A name that is a symbolic link stays one, and what it leads to gains the
// section in place, whatever the section's size.
TEST_F(M_OutputTest, AFileBehindALinkGainsTheSectionInPlace)
{
    const U_Location line12 = U_Location::create(sourceFile(), 12, 3);
    ASSERT_EQ(0, ::mkdir(dir.file("store").c_str(), 0755));
    dir.write("store/real", fullLastPage());
    const ino_t inode = statOf(dir.file("store/real")).st_ino;
    ASSERT_EQ(0, ::symlink("store/real", dir.file("b.c.err").c_str()));
    M_Output::openAppend(dir.file("b.c.err"));
    sendBaseline(line12);
    M_Output::close();
    char link[64] = {};
    ASSERT_EQ(10, ::readlink(dir.file("b.c.err").c_str(), link, sizeof link - 1));
    EXPECT_STREQ("store/real", link);
    EXPECT_EQ(toHex(fullLastPage() + kOneSection), toHex(dir.read("store/real")));
    EXPECT_EQ(inode, statOf(dir.file("store/real")).st_ino);
    EXPECT_EQ((std::vector<std::string>{"b.c.err", "store"}), directoryEntries(dir.path()));
    EXPECT_EQ((std::vector<std::string>{"real"}), directoryEntries(dir.file("store")));
}

// A directory that takes no new file: the section goes in place, with one
// write, and a write that fails is cut back to the size under the lock. As
// root (who may create files anywhere) the child runs as another user.
TEST_F(M_OutputTest, AppendInPlaceWhereTheDirectoryTakesNoNewFile)
{
    const U_Location line12 = U_Location::create(sourceFile(), 12, 3);
    const bool root = ::geteuid() == 0;
    const uid_t other = 65534;
    ASSERT_EQ(0, ::chmod(dir.path().c_str(), 0755));
    ASSERT_EQ(0, ::mkdir(dir.file("ro").c_str(), 0755));
    const std::string before = kHeader + kOneSection;
    const std::string path = dir.write("ro/a.c.err", before);
    if (root) {
        ASSERT_EQ(0, ::chown(path.c_str(), other, other));
    }
    ASSERT_EQ(0, ::chmod(dir.file("ro").c_str(), 0555));
    const ino_t inode = statOf(path).st_ino;

    for (rlim_t room : {RLIM_INFINITY, rlim_t{10}}) {
        SCOPED_TRACE(room == RLIM_INFINITY ? "no limit" : "room for 10 bytes");
        const std::string expected = dir.read("ro/a.c.err") + (room == RLIM_INFINITY ? kOneSection : "");
        const int code = inChild([&] {
            if (root && (::setgid(other) != 0 || ::setuid(other) != 0))
                return 3;
            std::signal(SIGXFSZ, SIG_IGN);
            if (room != RLIM_INFINITY) {
                const rlimit limit{before.size() + kOneSection.size() + room, RLIM_INFINITY};
                if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
                    return 3;
            }
            try {
                M_Output::openAppend(path);
                sendBaseline(line12);
                M_Output::close();
            } catch (const R_WritingException&) {
                return 1;
            } catch (...) {
                return 2;
            }
            return 0;
        });
        EXPECT_EQ(room == RLIM_INFINITY ? 0 : 1, code) << "0: written, 1: R_WritingException";
        EXPECT_EQ(toHex(expected), toHex(dir.read("ro/a.c.err")));
        EXPECT_EQ(inode, statOf(path).st_ino) << "appended in place";
    }
    EXPECT_EQ((std::vector<std::string>{"a.c.err"}), directoryEntries(dir.file("ro")));
    ::chmod(dir.file("ro").c_str(), 0755);
}

TEST_F(M_OutputTest, AppendRemovesTemporariesOfKilledRunsOncePerDirectory)
{
    const pid_t dead = deadPid();
    const auto ours = [](pid_t pid, int attempt) {
        char name[64];
        std::snprintf(name, sizeof name, ".vantrel-%010d-%02d.tmp", static_cast<int>(pid), attempt);
        return std::string(name);
    };
    ASSERT_EQ(0, ::mkdir(dir.file("out").c_str(), 0755));
    const std::string path = dir.write("out/a.c.err", fullLastPage());
    const std::string deadText = std::to_string(dead);
    for (const std::string& name : {ours(dead, 0), ours(dead, 12), ours(::getpid(), 0),
                                    "a.c.err." + deadText + ".0.tmp", std::string("build.err.20240611.2.tmp")})
        dir.write("out/" + name, "left");

    M_Output::openAppend(path);
    M_Output::close();
    std::vector<std::string> kept = {"a.c.err", ours(::getpid(), 0), "a.c.err." + deadText + ".0.tmp",
                                     "build.err.20240611.2.tmp"};
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(kept, directoryEntries(dir.file("out")));

    // Looked for once per directory and run: a later leftover stays.
    dir.write("out/" + ours(dead, 1), "left");
    M_Output::openAppend(path);
    M_Output::close();
    EXPECT_EQ(5u, directoryEntries(dir.file("out")).size());
    EXPECT_EQ(toHex(fullLastPage() + kSectionStart + kSectionStart), toHex(dir.read("out/a.c.err")));
}
