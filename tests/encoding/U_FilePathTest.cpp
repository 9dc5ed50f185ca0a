#include "ProductEnvironment.h"

#include "encoding/U_FilePath.h"
#include "support/FileKinds.h"
#include "support/ScopedCurrentDirectory.h"
#include "util/U_Filename.h"

#include <gtest/gtest.h>

#include <cstdio>

#include <sys/stat.h>

TEST(U_FilePath, FullPath)
{
    ProductEnvironment pe;
    TempDir dir;
    ::mkdir(dir.file("sub").c_str(), 0700);
    dir.write("sub/x.c", "");
    const ScopedCurrentDirectory cwd(dir.path());
    ASSERT_TRUE(cwd.isValid());
    const std::string here = U_FilePath::currentDirectory();
    ASSERT_EQ(dir.path(), here);

    struct Row {
        std::string path;
        std::string expected;
    };
    const Row rows[] = {
        {"x.c", here + "/x.c"},              // a bare name, existing or not
        {"sub/x.c", here + "/sub/x.c"},
        {"sub/new.c", here + "/sub/new.c"},  // the file need not exist
        {"./sub/../sub/x.c", here + "/sub/x.c"},
        {"nosuch/x.c", "nosuch/x.c"},        // no such directory: unchanged
        {"sub", here + "/sub"},              // a bare directory name
        {"sub/", here + "/sub/"},
        {here + "/sub/x.c", here + "/sub/x.c"},
        {"/", "/"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(r.expected, U_FilePath::fullPath(r.path)) << r.path;
}

TEST(U_FilePath, FilenameFromPath)
{
    ProductEnvironment pe;
    TempDir dir;
    ::mkdir(dir.file("Sub").c_str(), 0700);
    const ScopedCurrentDirectory cwd(dir.path());
    const U_Filename a = U_Filename::fromPath("Sub\\a.c");
    EXPECT_EQ("Sub/a.c", a.name());
    EXPECT_EQ(dir.path() + "/Sub/a.c", a.fullName());
    EXPECT_EQ(a, U_Filename::fromPath("Sub/A.C"));  // one file for case-different names
}

TEST(U_FilePath, TextOperations)
{
    EXPECT_TRUE(U_FilePath::less("B", "a"));
    EXPECT_FALSE(U_FilePath::less("a", "B"));
    EXPECT_TRUE(U_FilePath::isPrefixOf("/Root", "/root/x.c"));
    EXPECT_EQ("a/b", U_FilePath::toSlashes("a\\b"));
}

TEST(U_FilePath, FileSystemTests)
{
    ProductEnvironment pe;
    TempDir dir;
    const std::string file = dir.write("f", "x");
    EXPECT_TRUE(U_FilePath::exists(file));
    EXPECT_TRUE(U_FilePath::isFile(file));
    EXPECT_TRUE(U_FilePath::isReadableFile(file));
    EXPECT_FALSE(U_FilePath::isDirectory(file));
    EXPECT_TRUE(U_FilePath::isDirectory(dir.path()));
    EXPECT_FALSE(U_FilePath::isReadableFile(dir.path()));
    EXPECT_FALSE(U_FilePath::exists(dir.file("none")));

    EXPECT_TRUE(U_FilePath::isUsableTempDir(dir.path()));
    EXPECT_FALSE(U_FilePath::isUsableTempDir(file));
    EXPECT_FALSE(U_FilePath::isUsableTempDir(dir.file("none")));
    const std::string name = U_FilePath::temporaryName(dir.path());
    char pid[16];
    std::snprintf(pid, sizeof pid, "%010d-", static_cast<int>(::getpid()));
    EXPECT_EQ(dir.path() + "/ktw" + pid, name.substr(0, dir.path().size() + 15));
    EXPECT_FALSE(U_FilePath::exists(name));
}

namespace {

class U_FilePathFileKind : public FileKindTest {
protected:
    ProductEnvironment pe;
};

} // namespace

// isFile and isDirectory go by the file type as a whole, for every kind of
// file and a link to it; isReadableFile takes no directory.
TEST_P(U_FilePathFileKind, IsFileAndIsDirectoryTellTheFileType)
{
    EXPECT_EQ(GetParam().regular, U_FilePath::isFile(path));
    EXPECT_EQ(GetParam().directory, U_FilePath::isDirectory(path));
    if (GetParam().directory) {
        EXPECT_FALSE(U_FilePath::isReadableFile(path));
    }
}

INSTANTIATE_TEST_SUITE_P(Kind, U_FilePathFileKind, testing::ValuesIn(allFileKinds()), fileKindName);
