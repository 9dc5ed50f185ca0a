#include "platform/FileSystem.h"

#include "support/ScopedCurrentDirectory.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

TEST(FileSystem, AccessAndMode)
{
    TempDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string file = dir.write("f.txt", "x");
    const std::string hidden = dir.write("hidden.txt", "x");
    ASSERT_EQ(0, ::chmod(hidden.c_str(), 0));
    const std::string sub = dir.file("sub");
    ASSERT_EQ(0, ::mkdir(sub.c_str(), 0700));
    const std::string link = dir.file("link");
    ASSERT_EQ(0, ::symlink(file.c_str(), link.c_str()));
    const bool root = ::geteuid() == 0;  // root reads whatever it likes

    struct Row {
        std::string path;
        bool exists;
        bool readable;
        unsigned kind;  // 0: no mode
    };
    const Row rows[] = {
        {file, true, true, S_IFREG},
        {hidden, true, root, S_IFREG},
        {sub, true, true, S_IFDIR},
        {sub + "/", true, true, S_IFDIR},
        {link, true, true, S_IFREG},
        {dir.file("missing"), false, false, 0},
        {"", false, false, 0},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(r.exists, platform::canAccess(r.path, platform::Access::Exists)) << r.path;
        EXPECT_EQ(r.readable, platform::canAccess(r.path, platform::Access::Read)) << r.path;
        unsigned mode = 12345;
        EXPECT_EQ(r.kind != 0, platform::fileMode(r.path, mode)) << r.path;
        if (r.kind != 0) {
            EXPECT_EQ(r.kind, mode & S_IFMT) << r.path;
        } else {
            EXPECT_EQ(12345u, mode) << r.path;
        }
    }
}

TEST(FileSystem, CurrentDirectoryOfAnyLengthOrNone)
{
    TempDir dir;
    ASSERT_TRUE(dir.isValid());
    // Deeper than any small fixed buffer: 500 bytes and more.
    std::string deep = dir.path();
    for (int i = 0; i < 12; ++i) {
        deep += "/" + std::string(40, static_cast<char>('a' + i));
        ASSERT_EQ(0, ::mkdir(deep.c_str(), 0700));
    }
    {
        ScopedCurrentDirectory cd(deep);
        ASSERT_TRUE(cd.isValid());
        EXPECT_EQ(deep, platform::currentDirectory());
    }
    {
        const std::string gone = dir.file("gone");
        ASSERT_EQ(0, ::mkdir(gone.c_str(), 0700));
        ScopedCurrentDirectory cd(gone);
        ASSERT_TRUE(cd.isValid());
        ASSERT_EQ(0, ::rmdir(gone.c_str()));
        EXPECT_EQ("", platform::currentDirectory());
    }
}

TEST(FileSystem, IdentitySeesOneFileThroughEveryName)
{
    TempDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string a = dir.write("a.txt", "x");
    const std::string b = dir.write("b.txt", "x");
    const std::string link = dir.file("link");
    ASSERT_EQ(0, ::symlink(a.c_str(), link.c_str()));
    ASSERT_EQ(0, ::mkdir(dir.file("sub").c_str(), 0700));

    platform::FileIdentity ofA, other;
    ASSERT_TRUE(platform::fileIdentity(a, ofA));
    for (const std::string& same : {link, dir.file("sub/../a.txt")}) {
        SCOPED_TRACE(same);
        ASSERT_TRUE(platform::fileIdentity(same, other));
        EXPECT_TRUE(ofA == other);
    }
    ASSERT_TRUE(platform::fileIdentity(b, other));
    EXPECT_FALSE(ofA == other);
    EXPECT_FALSE(platform::fileIdentity(dir.file("missing"), other));

    std::FILE* open = std::fopen(link.c_str(), "r");
    ASSERT_NE(nullptr, open);
    EXPECT_TRUE(platform::fileIdentity(open, other));
    EXPECT_TRUE(ofA == other);
    std::fclose(open);
    EXPECT_FALSE(platform::fileIdentity(static_cast<std::FILE*>(nullptr), other));
}

namespace {

// What ownedByUserOrRoot answers when run as the effective user euid, for
// info and then each of paths, one bit each (info's lowest); -1 when the
// child cannot be made that user. It runs in a child: a process of one
// thread, where changing the user cannot wait on threads that a sanitizer
// started with every signal blocked.
int ownedAs(uid_t euid, const struct stat& info, const std::vector<std::string>& paths)
{
    const pid_t child = ::fork();
    if (child == 0) {
        if (::seteuid(euid) != 0)
            ::_exit(255);
        int bits = platform::ownedByUserOrRoot(info) ? 1 : 0;
        for (std::size_t i = 0; i < paths.size(); ++i)
            bits |= platform::ownedByUserOrRoot(paths[i]) ? 2 << i : 0;
        ::_exit(bits);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) == 255)
        return -1;
    return WEXITSTATUS(status);
}

} // namespace

// A file is the running user's or root's when either owns it: the user
// that counts is the effective one. A link is judged by what it leads to.
TEST(FileSystem, OwnedByUserOrRoot)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to make files of other users and to run as one";
    TempDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_EQ(0, ::chmod(dir.path().c_str(), 0755));
    struct Row {
        uid_t owner;
        uid_t runningAs;
        bool owned;
    };
    const Row rows[] = {
        {0, 0, true},
        {4242, 0, false},
        {4242, 4242, true},
        {0, 4242, true},
        {4343, 4242, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE("owner " + std::to_string(r.owner) + ", running as " + std::to_string(r.runningAs));
        const std::string file = dir.write("f", "x");
        ASSERT_EQ(0, ::chown(file.c_str(), r.owner, r.owner));
        const std::string link = dir.file("link");
        ASSERT_EQ(0, ::symlink(file.c_str(), link.c_str()));
        ASSERT_EQ(0, ::lchown(link.c_str(), 4343, 4343));
        struct stat info;
        ASSERT_EQ(0, ::stat(file.c_str(), &info));
        // info, the file, a link to it, a missing file.
        const int owned = r.owned ? 0b0111 : 0;
        EXPECT_EQ(owned, ownedAs(r.runningAs, info, {file, link, dir.file("missing")}));
        ASSERT_EQ(0, ::unlink(link.c_str()));
        ASSERT_EQ(0, ::unlink(file.c_str()));
    }
}
