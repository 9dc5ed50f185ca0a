#include "platform/LexicalPath.h"

#include "support/ScopedCurrentDirectory.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <vector>

namespace {

// Paths made of the segments where the folding rules differ, up to four of
// them, relative and absolute: "", ".", "..", "...", ".b" and a name.
std::vector<std::string> pathsToCompare()
{
    const char* segments[] = {"", ".", "..", "...", ".b", "a"};
    std::vector<std::string> paths = {""};
    std::vector<std::string> level = {""};
    for (int depth = 1; depth <= 4; ++depth) {
        std::vector<std::string> next;
        for (const std::string& head : level) {
            for (const char* segment : segments)
                next.push_back(depth == 1 ? std::string(segment) : head + "/" + segment);
        }
        for (const std::string& p : next) {
            paths.push_back(p);
            paths.push_back("/" + p);
        }
        level = next;
    }
    return paths;
}

std::string utf8(const QString& text)
{
    return text.toUtf8().toStdString();
}

// Qt's answers for valid text are the reference, from two current
// directories: a deep one and the root.
TEST(LexicalPath, SameAsQtForValidNames)
{
    TempDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const std::string& cwd : {dir.path(), std::string("/")}) {
        ScopedCurrentDirectory cd(cwd);
        ASSERT_TRUE(cd.isValid());
        for (const std::string& path : pathsToCompare()) {
            const QString q = QString::fromStdString(path);
            EXPECT_EQ(platform::cleanPath(path), utf8(QDir::cleanPath(q))) << "[" << path << "] in " << cwd;
            EXPECT_EQ(platform::absolutePath(path), utf8(QDir(q).absolutePath())) << "[" << path << "] in " << cwd;
            EXPECT_EQ(platform::absoluteDirectory(path), utf8(QFileInfo(q).absolutePath()))
                << "[" << path << "] in " << cwd;
        }
    }
}

TEST(LexicalPath, DirectoryPart)
{
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"/a/b.c", "/a"}, {"/a.c", "/"}, {"a.c", "."}, {"", "."}, {"a/b/", "a/b"}, {"/", "/"}, {"//a", "/"},
        {"a/caf\xE9/x", "a/caf\xE9"},
    };
    for (const auto& [path, directory] : rows)
        EXPECT_EQ(platform::directoryPart(path), directory) << path;
}

// The entry a path names in its directory: what a file is opened or
// replaced as, through that directory; nothing for what names none.
TEST(LexicalPath, EntryPart)
{
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"/a/b.c", "b.c"}, {"a.c", "a.c"}, {"a/caf\xE9", "caf\xE9"}, {"a/.hidden", ".hidden"},
        {"", ""}, {"a/", ""}, {"/", ""}, {"a/.", ""}, {"a/..", ""}, {".", ""}, {"..", ""},
    };
    for (const auto& [path, entry] : rows)
        EXPECT_EQ(platform::entryPart(path), entry) << path;
}

TEST(LexicalPath, WorksOverBytes)
{
    struct Row {
        std::string path;
        std::string absolute;   // absolutePathFrom("/w", path)
        std::string directory;  // absoluteDirectoryFrom("/w", path)
    };
    const Row rows[] = {
        {"", "/w", ""},
        {".", "/w", "/"},
        {"src/", "/w/src", "/w/src"},
        {"/a/b//", "/a/b/", "/a/b"},  // one "/" dropped, the rest is clean
        {"/a/./b/../c", "/a/c", "/a"},
        {"/..", "/..", "/"},           // ".." stays above the root
        {"../../..", "/../..", "/.."},
        {"caf\xe9/x\xff.c", "/w/caf\xe9/x\xff.c", "/w/caf\xe9"},
        {"a\\b/..", "/w", "/"},        // a backslash is a name byte
        {"\xef\xbf\xbd/./", "/w/\xef\xbf\xbd", "/w/\xef\xbf\xbd"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(r.absolute, platform::absolutePathFrom("/w", r.path)) << r.path;
        EXPECT_EQ(r.directory, platform::absoluteDirectoryFrom("/w", r.path)) << r.path;
    }
    EXPECT_EQ("caf\xe9", platform::cleanPath("./caf\xe9//"));
    EXPECT_EQ("../x", platform::cleanPath("a/../../x"));
}

} // namespace
