// A save replaces patch.xml whole or not at all, and only a regular file at
// its name: anything else there stays what it is; a failed or killed save
// keeps the old file and leaves nothing beside it, the mode is kept, and the
// file stays within its size bound.

#include "PatchCacheFiles.h"

#include "support/TempDir.h"
#include "support/DirectoryEntries.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

PatchHandler someCache()
{
    PatchHandler cache;
    cache.setSName("base.sup");
    cache.setSDate("0123456789abcdef0123456789abcdef");
    cache.setDate("src/a.c", "fedcba9876543210fedcba9876543210");
    cache.addPatch("src/a.c", "3a4");
    return cache;
}

// Whether a save of someCache() through path went through.
bool saveSome(const std::string& path)
{
    PatchHandler cache = someCache();
    return patchcachetest::save(cache, path);
}

// The kind and, for a link, the text of what is at path: what a refused
// save must leave as it found.
std::string describe(const std::string& path)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return "absent";
    if (S_ISLNK(st.st_mode)) {
        char text[256] = {};
        return "link to " + std::string(text, static_cast<std::size_t>(::readlink(path.c_str(), text, sizeof text)));
    }
    if (S_ISFIFO(st.st_mode))
        return "FIFO";
    if (S_ISDIR(st.st_mode))
        return "directory";
    if (S_ISCHR(st.st_mode))
        return "device " + std::to_string(major(st.st_rdev)) + "," + std::to_string(minor(st.st_rdev));
    return S_ISREG(st.st_mode) ? "file of " + std::to_string(st.st_size) + " bytes" : "other";
}

} // namespace

namespace {

// What a row puts at the name "patch.xml" before the save, and whether the
// save goes through.
struct SaveRow {
    const char* what;
    std::function<bool(const TempDir&)> make;
    bool saved;
};

// A save over what row makes: a refused one leaves every entry as it was,
// one that goes through leaves a regular file with the cache and nothing
// beside it.
void expectSave(const SaveRow& row)
{
    SCOPED_TRACE(row.what);
    TempDir dir;
    ASSERT_TRUE(row.make(dir)) << "cannot be set up";
    std::vector<std::string> before = directoryEntries(dir.path());
    std::vector<std::string> kinds;
    for (const std::string& name : before)
        kinds.push_back(name + ": " + describe(dir.file(name)));
    EXPECT_EQ(row.saved, saveSome(dir.file("patch.xml")));
    if (std::find(before.begin(), before.end(), "patch.xml") == before.end())
        before.push_back("patch.xml");
    std::sort(before.begin(), before.end());
    if (!row.saved) {
        std::vector<std::string> now;
        for (const std::string& name : directoryEntries(dir.path()))
            now.push_back(name + ": " + describe(dir.file(name)));
        EXPECT_EQ(kinds, now) << "a refused save changes nothing";
        return;
    }
    EXPECT_EQ(before, directoryEntries(dir.path()));
    struct stat st {};
    ASSERT_EQ(0, ::stat(dir.file("patch.xml").c_str(), &st));
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_NE(std::string::npos, dir.read("patch.xml").find("<PATCH>3a4</PATCH>"));
}

} // namespace

// Only a regular file at the name itself is replaced: anything else there,
// a link to a regular file too, stays what it is, and nothing is left beside
// it.
TEST(PatchCacheSave, ReplacesOnlyARegularFile)
{
    const std::vector<SaveRow> rows = {
        {"no file yet", [](const TempDir&) { return true; }, true},
        {"a regular file", [](const TempDir& d) { return !d.write("patch.xml", "old").empty(); }, true},
        {"a link to a regular file",
         [](const TempDir& d) {
             d.write("real.xml", "old");
             return ::symlink("real.xml", d.file("patch.xml").c_str()) == 0;
         },
         false},
        {"a FIFO", [](const TempDir& d) { return ::mkfifo(d.file("patch.xml").c_str(), 0600) == 0; }, false},
        {"a directory", [](const TempDir& d) { return ::mkdir(d.file("patch.xml").c_str(), 0700) == 0; }, false},
        {"a link to nothing",
         [](const TempDir& d) { return ::symlink("missing.xml", d.file("patch.xml").c_str()) == 0; }, false},
        {"a link to a directory",
         [](const TempDir& d) {
             return ::mkdir(d.file("sub").c_str(), 0700) == 0 && ::symlink("sub", d.file("patch.xml").c_str()) == 0;
         },
         false},
        {"a link to a FIFO",
         [](const TempDir& d) {
             return ::mkfifo(d.file("fifo").c_str(), 0600) == 0 && ::symlink("fifo", d.file("patch.xml").c_str()) == 0;
         },
         false},
    };
    for (const SaveRow& row : rows)
        expectSave(row);
}

// A device node, or a link to one, stays too. The nodes are the test's own
// (the null device's numbers), so that a fault replaces nothing of the
// machine's; making them needs root.
TEST(PatchCacheSave, ADeviceNodeIsNeverReplaced)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "making a device node needs root";
    const std::vector<SaveRow> rows = {
        {"a device node",
         [](const TempDir& d) { return ::mknod(d.file("patch.xml").c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0; },
         false},
        {"a link to a device node",
         [](const TempDir& d) {
             return ::mknod(d.file("null").c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0 &&
                    ::symlink("null", d.file("patch.xml").c_str()) == 0;
         },
         false},
    };
    for (const SaveRow& row : rows)
        expectSave(row);
}

// A directory that takes no new file: the save fails and the old file stays.
// As root (who may write anywhere) the save runs as another user.
TEST(PatchCacheSave, ReadOnlyDirectoryKeepsTheOldFile)
{
    TempDir dir;
    const bool root = ::geteuid() == 0;
    ASSERT_EQ(0, ::chmod(dir.path().c_str(), 0755));
    ASSERT_EQ(0, ::mkdir(dir.file("ro").c_str(), 0755));
    dir.write("ro/patch.xml", "old");
    ASSERT_EQ(0, ::chmod(dir.file("ro").c_str(), 0555));
    const pid_t child = ::fork();
    ASSERT_NE(-1, child);
    if (child == 0) {
        if (root && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(3);
        ::_exit(saveSome(dir.file("ro/patch.xml")) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(child, ::waitpid(child, &status, 0));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(0, WEXITSTATUS(status)) << "1: saved; 3: could not change user";
    EXPECT_EQ("old", dir.read("ro/patch.xml"));
    EXPECT_EQ(std::vector<std::string>{"patch.xml"}, directoryEntries(dir.file("ro")));
    ::chmod(dir.file("ro").c_str(), 0755);
}

using namespace patchcachetest;

// A save that fails part way reports failure and leaves the old file as it
// was, with no stray file beside it.
TEST_F(PatchCacheFile, FailedSaveKeepsOldFile)
{
    PatchHandler old = filledCache();
    ASSERT_TRUE(save(old, path));

    PatchHandler big;
    for (int i = 0; i < 5000; ++i) {
        const std::string name = "src/file" + std::to_string(i) + ".c";
        big.setDate(name, kDigestA);
        big.addPatch(name, "1,2c3,4");
    }

    // Writes beyond 4 KiB fail with EFBIG, as on a full disk.
    struct rlimit saved;
    ASSERT_EQ(0, ::getrlimit(RLIMIT_FSIZE, &saved));
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(0, ::setrlimit(RLIMIT_FSIZE, &small));
    {
        PatchGen_WriterXML writer;
        const bool opened = writer.open(path.c_str());
        const bool written = writer.write(&big);
        const bool closed = writer.close();
        ::setrlimit(RLIMIT_FSIZE, &saved);
        EXPECT_TRUE(opened);
        EXPECT_FALSE(written);
        EXPECT_FALSE(closed);
    }
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(kFilledXml, dir.read("patch.xml"));
    EXPECT_EQ(std::vector<std::string>{"patch.xml"}, filesIn(dir));

    // Written but never closed (the run ended early): the old file stays.
    {
        PatchGen_WriterXML writer;
        ASSERT_TRUE(writer.open(path.c_str()));
        EXPECT_TRUE(writer.write(&big));
    }
    EXPECT_EQ(kFilledXml, dir.read("patch.xml"));
    EXPECT_EQ(std::vector<std::string>{"patch.xml"}, filesIn(dir));

    // Nothing opened: nothing to write, nothing saved.
    {
        PatchGen_WriterXML writer;
        EXPECT_FALSE(writer.open(dir.file("no-such-dir/patch.xml").c_str()));
        EXPECT_FALSE(writer.write(&big));
        EXPECT_FALSE(writer.close());
        EXPECT_FALSE(writer.open(nullptr));
    }
    EXPECT_EQ(std::vector<std::string>{"patch.xml"}, filesIn(dir));
}

// A process killed while it saves leaves no file beside "patch.xml": the new
// file has no name until it is complete. One killed between naming and
// renaming leaves a temporary name of the program's own form, which the next
// save removes once its process has ended; anything else stays.
TEST_F(PatchCacheFile, KilledSaveLeavesNothingBehind)
{
    PatchHandler old = filledCache();
    ASSERT_TRUE(save(old, path));

    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ASSERT_GT(child, 0);
    ASSERT_EQ(child, ::waitpid(child, nullptr, 0));
    const std::string dead = std::to_string(child);
    struct Row {
        std::string name;
        bool removed;
    };
    char ours[2][64];
    std::snprintf(ours[0], sizeof ours[0], ".vantrel-%010d-00.tmp", static_cast<int>(child));
    std::snprintf(ours[1], sizeof ours[1], ".vantrel-%010d-17.tmp", static_cast<int>(child));
    const std::vector<Row> rows = {
        {ours[0], true},                          {ours[1], true},
        {std::string(ours[0]) + ".bak", false},   {"patch.xml.bak", false},
        {"patch.xml." + dead + ".0.tmp", false},  {"other.xml." + dead + ".0.tmp", false},
    };
    for (const Row& row : rows)
        dir.write(row.name, "left");

    const int probe = ::open(dir.path().c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    const bool unnamed = probe >= 0;
    if (unnamed)
        ::close(probe);
    {
        PatchGen_WriterXML writer;
        ASSERT_TRUE(writer.open(path.c_str()));
        PatchHandler empty;
        ASSERT_TRUE(writer.write(&empty));
        std::vector<std::string> expected{"patch.xml"};
        for (const Row& row : rows) {
            if (!row.removed)
                expected.push_back(row.name);
        }
        std::sort(expected.begin(), expected.end());
        std::vector<std::string> during = filesIn(dir);
        if (unnamed) {
            EXPECT_EQ(expected, during);
        }
        ASSERT_TRUE(writer.close());
        EXPECT_EQ(expected, filesIn(dir));
    }
    EXPECT_EQ(kHead + "<PATCHFILE sname=\"\" sdate=\"\">\n</PATCHFILE>\n\n", dir.read("patch.xml"));
}

// A save keeps the file's permissions; a link at the name is never saved
// through: the save is refused, the link and what it leads to stay.
TEST_F(PatchCacheFile, SaveKeepsModeAndNeverGoesThroughALink)
{
    PatchHandler cache = filledCache();
    dir.write("patch.xml", "old");
    ASSERT_EQ(0, ::chmod(path.c_str(), 0640));
    ASSERT_TRUE(save(cache, path));
    struct stat st;
    ASSERT_EQ(0, ::stat(path.c_str(), &st));
    EXPECT_EQ(0640u, st.st_mode & 07777);
    EXPECT_EQ(kFilledXml, dir.read("patch.xml"));

    ASSERT_EQ(0, ::rename(path.c_str(), dir.file("real.xml").c_str()));
    ASSERT_EQ(0, ::symlink("real.xml", path.c_str()));
    PatchHandler other;
    EXPECT_FALSE(save(other, path));
    ASSERT_EQ(0, ::lstat(path.c_str(), &st));
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(kFilledXml, dir.read("real.xml"));
    EXPECT_EQ((std::vector<std::string>{"patch.xml", "real.xml"}), filesIn(dir));
}

// "patch.xml" is never longer than the bound it is written for: an entry
// that would pass it is left out whole (the file is diffed again next time),
// and later entries that still fit go in.
TEST_F(PatchCacheFile, EntriesPastTheSizeBoundAreLeftOut)
{
    PatchHandler cache;
    cache.setSName("s");
    cache.setSDate("d");
    cache.setDate("a", "x");
    cache.addPatch("a", "1a1");
    cache.addPatch("b", "2d1");
    cache.addPatch("b", "5,6c7");
    cache.addPatch("c", "3c3");

    const std::string head = kHead + "<PATCHFILE sname=\"s\" sdate=\"d\">\n";
    const std::string a = "   <FILE name=\"a\">\n      <DATE>x</DATE>\n      <PATCH>1a1</PATCH>\n   </FILE>\n";
    const std::string b = "   <FILE name=\"b\">\n      <PATCH>2d1</PATCH>\n      <PATCH>5,6c7</PATCH>\n   </FILE>\n";
    const std::string c = "   <FILE name=\"c\">\n      <PATCH>3c3</PATCH>\n   </FILE>\n";
    const std::string tail = "</PATCHFILE>\n\n";
    const std::size_t full = head.size() + a.size() + b.size() + c.size() + tail.size();

    struct Row {
        const char* what;
        std::size_t maxBytes;
        std::string text;
    };
    const Row rows[] = {
        {"all fit exactly", full, head + a + b + c + tail},
        {"one byte less: the last left out", full - 1, head + a + b + tail},
        {"no room for b: c still goes in", full - b.size(), head + a + c + tail},
        {"no room for any entry", 0, head + tail},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        std::ostringstream out;
        cache.writeXML(out, r.maxBytes);
        EXPECT_EQ(r.text, out.str());
    }
    std::ostringstream unbounded;
    cache.writeXML(unbounded);
    EXPECT_EQ(head + a + b + c + tail, unbounded.str());
}

