#include "platform/FullPath.h"

#include "support/ScopedCurrentDirectory.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

TEST(FullPath, FoldsAsText)
{
    struct Row {
        std::string base;
        std::string path;
        std::string full;
    };
    const Row rows[] = {
        {"/home/u", "a.c", "/home/u/a.c"},
        {"/home/u", "./a.c", "/home/u/a.c"},
        {"/home/u", "../a.c", "/home/a.c"},
        {"/home/u", "../../../a.c", "/a.c"},      // ".." stops at the root
        {"/home/u", "src//x/./../a.c", "/home/u/src/a.c"},
        {"/home/u", ".", "/home/u"},
        {"/home/u", "..", "/home"},
        {"/home/u", "sub/", "/home/u/sub/"},      // a trailing "/" stays
        {"/home/u", "/etc/./passwd", "/etc/passwd"},
        {"/home/u", "//etc//x//", "/etc/x/"},
        {"/home/u", "/", "/"},
        {"/home/u", "/..", "/"},
        {"/", "a", "/a"},
        {"/", "../", "/"},
        {"/home/u/", "a", "/home/u/a"},
        {"/home/u", "no-such-dir/x.c", "/home/u/no-such-dir/x.c"},
        {"/home/u", "", ""},                      // nothing to name
        {"", "a.c", ""},                          // no directory to start from
        {"relative", "a.c", ""},
        {"", "/abs/a.c", "/abs/a.c"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(r.full, platform::fullPathFrom(r.base, r.path)) << r.base << " + " << r.path;
}

TEST(FullPath, StartsFromTheCurrentDirectoryAndResolvesNoLinks)
{
    TempDir dir;
    ASSERT_TRUE(dir.isValid());
    ScopedCurrentDirectory cd(dir.path());
    ASSERT_TRUE(cd.isValid());
    ASSERT_EQ(0, ::symlink("/", dir.file("up").c_str()));
    // The temporary directory may itself lie behind a link; what counts is
    // that the text given is kept, links and all.
    const std::string here = platform::fullPath(".");
    ASSERT_FALSE(here.empty());
    EXPECT_EQ(here + "/up/x", platform::fullPath("up/x"));
    EXPECT_EQ(here + "/x", platform::fullPath("up/../x"));
    EXPECT_EQ("/etc/x", platform::fullPath("/etc/x"));
}

TEST(FullPath, LongNameIsTheNameItself)
{
    EXPECT_EQ("/a/B~1/c", platform::longPathName("/a/B~1/c"));
    EXPECT_EQ("", platform::longPathName(""));
}
