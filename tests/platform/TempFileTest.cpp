#include "platform/TempFile.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <set>
#include <unistd.h>

TEST(TempFile, NamesAreFreshAndInTheDirectory)
{
    TempDir dir;
    std::set<std::string> names;
    for (int i = 0; i < 50; ++i) {
        const std::string name = platform::temporaryName(dir.path(), "ktw42");
        ASSERT_EQ(dir.path() + "/ktw42", name.substr(0, dir.path().size() + 6));
        EXPECT_NE(0, ::access(name.c_str(), F_OK));  // nothing created
        names.insert(name);
    }
    EXPECT_EQ(50u, names.size());
    EXPECT_EQ("", platform::temporaryName(dir.file("missing"), "ktw"));
    EXPECT_EQ("", platform::temporaryName(dir.write("plain", "x"), "ktw"));
    EXPECT_EQ("", platform::temporaryName("", "ktw"));
}

TEST(TempFile, CreateExclusiveRefusesExistingAndLinks)
{
    TempDir dir;
    const std::string path = dir.file("copy");
    std::FILE* file = platform::createExclusive(path, true);
    ASSERT_NE(nullptr, file);
    std::fputs("mine", file);
    std::fclose(file);
    EXPECT_EQ(nullptr, platform::createExclusive(path, true));
    EXPECT_EQ("mine", dir.read("copy"));

    const std::string victim = dir.write("victim", "precious");
    const std::string link = dir.file("planted");
    ASSERT_EQ(0, ::symlink(victim.c_str(), link.c_str()));
    EXPECT_EQ(nullptr, platform::createExclusive(link, true));
    EXPECT_EQ("precious", dir.read("victim"));
}
