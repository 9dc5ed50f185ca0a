#include "platform/TempFile.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>

#include <sys/wait.h>
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

// One form for every temporary file of the program: the prefix, the process
// id in ten digits, a number of two; nothing else reads as one.
TEST(TempFile, NamesTellTheirProcess)
{
    char mine[64];
    std::snprintf(mine, sizeof mine, "ktw%010d-07.tmp", static_cast<int>(::getpid()));
    EXPECT_EQ(mine, platform::temporaryName("ktw", 7));
    EXPECT_EQ(::getpid(), platform::processOfTemporaryName(mine, "ktw"));
    struct Row {
        const char* name;
        pid_t pid;
    };
    const Row rows[] = {
        {"ktw0000012345-00.tmp", 12345},
        {"ktw0000012345-99.tmp", 12345},
        {".vantrel-0000012345-00.tmp", 0},  // another prefix
        {"ktw12345-00.tmp", 0},
        {"ktw0000012345-0.tmp", 0},
        {"ktw0000012345-00.tmpx", 0},
        {"ktw0000000000-00.tmp", 0},
        {"ktw9999999999-00.tmp", 0},  // no such process id
        {"ktw00000123a5-00.tmp", 0},
    };
    for (const Row& r : rows)
        EXPECT_EQ(r.pid, platform::processOfTemporaryName(r.name, "ktw")) << r.name;
}

// The copies that a killed run left in a temporary directory go the first
// time a process names one there: only the program's own form, of a
// process that has ended.
TEST(TempFile, FirstNameInADirectoryRemovesTheLeftovers)
{
    TempDir dir;
    const pid_t ended = ::fork();
    if (ended == 0)
        ::_exit(0);
    ASSERT_EQ(ended, ::waitpid(ended, nullptr, 0));
    char left[64];
    std::snprintf(left, sizeof left, "ktw%010d-03.tmp", static_cast<int>(ended));
    char live[64];
    std::snprintf(live, sizeof live, "ktw%010d-98.tmp", static_cast<int>(::getpid()));
    dir.write(left, "a converted copy");
    dir.write(live, "one being written");
    dir.write("ktw123.tmp", "a user's");
    const std::string name = platform::temporaryName(dir.path(), "ktw");
    ASSERT_NE("", name);
    EXPECT_NE(0, ::access(dir.file(left).c_str(), F_OK));
    EXPECT_EQ(0, ::access(dir.file(live).c_str(), F_OK));
    EXPECT_EQ(0, ::access(dir.file("ktw123.tmp").c_str(), F_OK));
}
