#include "patch/PatchGen.h"
#include "patch/PatchGen_WriterXML.h"
#include "patch/PatchHandler.h"

#include "support/TempDir.h"
#include "support/DirectoryEntries.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <string>
#include <vector>

#include <dirent.h>
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

// Whether a save of a cache through path went through, as the driver makes
// it: open, and only then write and close.
bool save(const std::string& path)
{
    PatchHandler cache = someCache();
    PatchGen_WriterXML writer;
    PatchGen gen;
    gen.setWriter(&writer);
    if (!writer.open(path.c_str()))
        return false;
    const bool written = gen.write(&cache);
    return writer.close() && written;
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
    EXPECT_EQ(row.saved, save(dir.file("patch.xml")));
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
        ::_exit(save(dir.file("ro/patch.xml")) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(child, ::waitpid(child, &status, 0));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(0, WEXITSTATUS(status)) << "1: saved; 3: could not change user";
    EXPECT_EQ("old", dir.read("ro/patch.xml"));
    EXPECT_EQ(std::vector<std::string>{"patch.xml"}, directoryEntries(dir.file("ro")));
    ::chmod(dir.file("ro").c_str(), 0755);
}
