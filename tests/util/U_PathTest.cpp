#include "util/U_Filename.h"
#include "util/U_Path.h"

#include "support/FileKinds.h"
#include "support/ScopedCurrentDirectory.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

struct TextRow {
    std::string in;
    std::string out;
};

struct PairRow {
    std::string a;
    std::string b;
    std::string out;
};

void expectEach(const char* what, std::string (*f)(const std::string&), std::initializer_list<TextRow> rows)
{
    for (const TextRow& r : rows)
        EXPECT_EQ(r.out, f(r.in)) << what << "(\"" << r.in << "\")";
}

void expectEach(const char* what, std::string (*f)(const std::string&, const std::string&),
                std::initializer_list<PairRow> rows)
{
    for (const PairRow& r : rows)
        EXPECT_EQ(r.out, f(r.a, r.b)) << what << "(\"" << r.a << "\", \"" << r.b << "\")";
}

} // namespace

TEST(U_Path, Join)
{
    expectEach("join", U_Path::join,
               {{"", "x", "x"}, {"./", "x", "x"}, {".", "x", "x"}, {"a/", "x", "a/x"}, {"a", "", "a"},
                {"a", "x", "a/x"}, {"./sub", "x", "./sub/x"}, {"/", "x", "/x"}, {"..", "x", "../x"},
                {"", "", ""}});
}

TEST(U_Path, AddExtension)
{
    expectEach("addExtension", U_Path::addExtension,
               {{"f", ".c", "f.c"}, {"f.", "c", "f.c"}, {"f", "", "f"}, {"f", "c", "f.c"}, {"f.", ".c", "f..c"},
                {"", "c", ".c"}, {"a.tar", "gz", "a.tar.gz"}});
    EXPECT_EQ("QtCore4.dll", U_Path::libraryFileName("QtCore"));
}

TEST(U_Path, FileNameAndExtension)
{
    expectEach("fileName", U_Path::fileName,
               {{"a/b/c.txt", "c.txt"}, {"c.txt", "c.txt"}, {"a/b/", "b"}, {"/", ""}, {"", ""}, {"a//", ""},
                {"/x", "x"}, {"x/", "x"}});
    expectEach("stripExtension", U_Path::stripExtension,
               {{"dir.d/name", "dir.d/name"}, {"dir.d/name.tar.gz", "dir.d/name.tar"}, {".profile", ""},
                {"x.", "x"}, {"a/.b", "a/"}, {"name", "name"}, {"", ""}});
    expectEach("baseName", U_Path::baseName,
               {{"dir.d/name.tar.gz", "name.tar"}, {"a/b/", "b"}, {"/", ""}, {"C:/tools/zxc.exe", "zxc"},
                {"zxcpp", "zxcpp"}});
}

TEST(U_Path, SlashesAndDirectoryTests)
{
    expectEach("toSlashes", U_Path::toSlashes, {{"C:\\opt\\tool\\bin", "C:/opt/tool/bin"}, {"a/b", "a/b"}, {"", ""}});
    struct Row {
        std::string path;
        bool hasDirectory;
        bool isRoot;
    };
    const Row rows[] = {
        {"/", true, true},   {"C:/", true, true},   {"C:", false, false}, {"C:x", false, true},
        {"", false, false},  {"//", true, false},   {"/a", true, false},  {"a", false, false},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(r.hasDirectory, U_Path::hasDirectory(r.path)) << r.path;
        EXPECT_EQ(r.isRoot, U_Path::isRoot(r.path)) << r.path;
    }
}

TEST(U_Path, Directory)
{
    expectEach("directory", U_Path::directory,
               {{"a/b/c.txt", "a/b"}, {"c.txt", "."}, {"/c.txt", "/"}, {"C:/c.txt", "C:/"}, {"C:", "C:/"},
                {"C:/", "C:/"}, {"C:/a/b", "C:/a"}, {"a/b/", "a"}, {"/", "/"}, {"", "."}, {"a/", "."},
                {"/a/", "/"}, {"//", "/"}});
}

TEST(U_Path, StartsWithIgnoreCase)
{
    struct Row {
        std::string prefix;
        std::string path;
        bool result;
    };
    const Row rows[] = {
        {"/Root", "/root/x", true}, {"/root/x", "/ROOT", false}, {"", "a", true},
        {"abc", "ABC", true},       {"\xC4", "\xE4", false},     {"[", "{", false},
        {"a/b", "a\\b", false},
    };
    for (const Row& r : rows)
        EXPECT_EQ(r.result, U_Path::startsWithIgnoreCase(r.prefix, r.path)) << r.prefix << " / " << r.path;
}

TEST(U_Path, FileSystemQueries)
{
    TempDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string file = dir.write("f.c", "x");
    const std::string sub = dir.file("sub");
    ASSERT_EQ(0, ::mkdir(sub.c_str(), 0700));
    struct Row {
        std::string path;
        bool exists;
        bool readable;
        bool isFile;
        bool isDirectory;
    };
    const Row rows[] = {
        {file, true, true, true, false},
        {sub, true, true, false, true},
        {dir.file("none"), false, false, false, false},
        {"", false, false, false, false},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(r.exists, U_Path::exists(r.path)) << r.path;
        EXPECT_EQ(r.readable, U_Path::isReadable(r.path)) << r.path;
        EXPECT_EQ(r.isFile, U_Path::isFile(r.path)) << r.path;
        EXPECT_EQ(r.isDirectory, U_Path::isDirectory(r.path)) << r.path;
    }

    const std::string module = U_Path::moduleFileName();
    EXPECT_EQ("test_util", U_Path::fileName(module));
    EXPECT_EQ(U_Path::directory(module), U_Path::moduleDirectory());
    EXPECT_TRUE(U_Path::isDirectory(U_Path::moduleDirectory()));
}

TEST(U_Path, FullLongPath)
{
    TempDir dir;
    ASSERT_TRUE(dir.isValid());
    dir.write("f.c", "x");
    ASSERT_EQ(0, ::mkdir(dir.file("sub").c_str(), 0700));
    ScopedCurrentDirectory cd(dir.path());
    ASSERT_TRUE(cd.isValid());
    const std::string here = U_Path::currentDirectory();
    ASSERT_EQ('/', here[0]);

    expectEach("fullLongPath", U_Path::fullLongPath,
               {{"f.c", here + "/f.c"},
                {"./f.c", here + "/f.c"},
                {"new.c", here + "/new.c"},              // need not exist
                {"sub", here + "/sub"},
                {"sub/", here + "/sub/"},
                {"sub/../f.c", here + "/f.c"},
                {"sub/x/../y.c", "sub/x/../y.c"},        // directory missing: unchanged
                {"nodir/x.c", "nodir/x.c"},
                {"sub\\x.c", here + "/sub/x.c"},
                {"", here},
                {"/", "/"},
                {here + "/sub/./g.c", here + "/sub/g.c"}});

    const U_Filename name = U_Filename::fromLongPath("sub/../f.c");
    EXPECT_EQ(here + "/f.c", name.storedFullName());
    EXPECT_EQ("sub/../f.c", name.storedName());
    EXPECT_EQ(U_Filename::fromLongPath("f.c"), name);
}

TEST(U_Path, SearchPath)
{
    TempDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const char* d : {"d1", "d2", "d3", "d4"})
        ASSERT_EQ(0, ::mkdir(dir.file(d).c_str(), 0700));
    dir.write("x.cfg", "here");
    dir.write("d2/x.cfg", "2");
    dir.write("d3/x.cfg", "3");
    ASSERT_EQ(0, ::mkdir(dir.file("d4/x.cfg").c_str(), 0700));  // a directory, not a file
    ASSERT_EQ(0, ::mkdir(dir.file("d5").c_str(), 0700));
    ASSERT_EQ("", fileKinds::makeSocket(dir.file("d5/x.cfg")));  // a socket, not a file either
    ScopedCurrentDirectory cd(dir.path());
    ASSERT_TRUE(cd.isValid());

    expectEach("searchPath", U_Path::searchPath,
               {{"d1;d2;d3", "x.cfg", "d2/x.cfg"},
                {"d4;d3", "x.cfg", "d3/x.cfg"},
                {"d5;d2", "x.cfg", "d2/x.cfg"},
                {"", "x.cfg", ""},
                {"d1", "x.cfg", ""},
                {"d1;", "x.cfg", ""},                     // a final ";" is no current directory
                {";d2", "x.cfg", "x.cfg"},                // a leading ";" is
                {"d1;;d2", "x.cfg", "x.cfg"},
                {";", "x.cfg", "x.cfg"},
                {"d2/;d3", "x.cfg", "d2/x.cfg"},
                {dir.path() + "/d3", "x.cfg", dir.path() + "/d3/x.cfg"},
                {"d1 ;d3", "x.cfg", "d3/x.cfg"},          // no trimming: "d1 " does not exist
                {"d1;d2", "none.cfg", ""}});
}

namespace {

class U_PathFileKind : public FileKindTest {};

} // namespace

// isFile and isDirectory go by the file type as a whole, for every kind of
// file and a link to it.
TEST_P(U_PathFileKind, IsFileAndIsDirectoryTellTheFileType)
{
    EXPECT_EQ(GetParam().regular, U_Path::isFile(path));
    EXPECT_EQ(GetParam().directory, U_Path::isDirectory(path));
}

INSTANTIATE_TEST_SUITE_P(Kind, U_PathFileKind, testing::ValuesIn(allFileKinds()), fileKindName);
