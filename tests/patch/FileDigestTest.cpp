#include "patch/FileDigest.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

// A digest stands for the file it was taken of only while the file is that
// one: rewritten, replaced by another or gone, it is not, whatever bytes it
// holds; untouched, it is, also when it was written just before the digest
// (as every file a test writes is: then its bytes are read again to tell).
TEST(FileDigest, IsStillTheFileOnlyWhileItIsTheOneDigested)
{
    TempDir dir;
    ASSERT_TRUE(dir.isValid());
    struct Row {
        const char* what;
        std::function<void(const std::string& path)> change;
        bool still;
    };
    const Row rows[] = {
        {"untouched, written just before", [](const std::string&) {}, true},
        {"rewritten with other bytes of the same size",
         [&dir](const std::string&) { dir.write("f", "other"); }, false},
        {"replaced by a file of the same bytes", [&dir](const std::string& path) {
             const std::string copy = dir.write("copy", "bytes");
             ASSERT_EQ(0, std::rename(copy.c_str(), path.c_str()));
         }, false},
        {"gone", [](const std::string& path) { ASSERT_EQ(0, ::unlink(path.c_str())); }, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string path = dir.write("f", "bytes");
        const FileDigest::Taken taken = FileDigest::take(path);
        ASSERT_EQ(FileDigest::ofText("bytes"), taken.hash);
        row.change(path);
        EXPECT_EQ(row.still, FileDigest::isStillTheFile(path, taken));
    }
    EXPECT_FALSE(FileDigest::isStillTheFile(dir.file("f"), FileDigest::Taken()));
}
