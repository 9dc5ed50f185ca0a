#include "cmdline/C_CmdArgs.h"
#include "cmdline/C_OrphanHandler.h"
#include "cmdline/U_EnvDirectories.h"
#include "encoding/ProductEnvironment.h"
#include "support/ScopedCurrentDirectory.h"
#include "util/U_Exception.h"

#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>
#include <vector>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string makeDir(const TempDir& root, const std::string& name)
{
    const std::string path = root.file(name);
    ::mkdir(path.c_str(), 0700);
    return path;
}

} // namespace

TEST(TempDirectory, TakesTheFirstUsableCandidate)
{
    ProductEnvironment p;
    TempDir dirs;
    const std::string a = makeDir(dirs, "a");
    const std::string b = makeDir(dirs, "b");
    struct Row {
        const char* name;
        std::optional<std::string> tempFiles, tmp;
        std::string expected;
    };
    const std::vector<Row> rows = {
        {"TEMPFILES wins", a, b, a},
        {"TMP next", std::nullopt, b, b},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        ScopedEnv tempFiles("ZXCPPTEMPFILES", r.tempFiles);
        ScopedEnv tmp("TMP", r.tmp);
        EXPECT_EQ(r.expected, U_Env::tempDirectory(p.product));
    }
}

// The root directory is the last candidate; it is usable only where the
// running user may write there.
TEST(TempDirectory, TheRootDirectoryComesLast)
{
    if (::access("/", W_OK | X_OK) != 0)
        GTEST_SKIP() << "the root directory takes no files of this user";
    ProductEnvironment p;
    TempDir dirs;
    struct Row {
        const char* name;
        std::optional<std::string> tmp;
    };
    const std::vector<Row> rows = {
        {"when TMP is unusable", dirs.file("missing")},
        {"without variables", std::nullopt},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        ScopedEnv tempFiles("ZXCPPTEMPFILES", std::nullopt);
        ScopedEnv tmp("TMP", r.tmp);
        EXPECT_EQ("/", U_Env::tempDirectory(p.product));
    }
}

TEST(TempDirectory, UnusableTempFilesVariableFailsAtOnce)
{
    ProductEnvironment p;
    TempDir dirs;
    const std::string file = dirs.write("plain", "x");
    for (const std::string& candidate : {dirs.file("missing"), file}) {
        SCOPED_TRACE(candidate);
        ScopedEnv tempFiles("ZXCPPTEMPFILES", candidate);
        ScopedEnv tmp("TMP", dirs.path());
        try {
            U_Env::tempDirectory(p.product);
            ADD_FAILURE() << "no exception";
        } catch (const U_UserException& e) {
            EXPECT_EQ("Error finding temporary directory:\n"
                      "\tTried directory from environment variable ZXCPPTEMPFILES: " +
                          candidate + "\n",
                      std::string(e.what()));
        }
    }
}

namespace {

// The places the rc file is looked for: two directories for RCPATH, the
// current directory and HOME, with a .zxcpprc in any of them.
class RcFileLookup : public testing::Test {
protected:
    // A directory that holds an rc file, and its owner (else whoever made it).
    struct RcIn {
        std::string dir;
        std::optional<uid_t> owner = std::nullopt;
    };

    void SetUp() override { ASSERT_TRUE(inCwd.isValid()); }

    static std::string rc(const std::string& dir) { return dir + "/.zxcpprc"; }

    // U_Env::rcFile with rc files in files only, ZXCPPRCPATH set to rcPath
    // and HOME to home.
    std::string lookUp(const std::vector<RcIn>& files, const std::optional<std::string>& rcPath,
                       std::vector<std::string>& skipped)
    {
        for (const std::string& dir : {first, second, cwd, home})
            std::remove(rc(dir).c_str());
        for (const RcIn& file : files) {
            root.write(file.dir.substr(root.path().size() + 1) + "/.zxcpprc", "-x\n");
            if (file.owner && ::chown(rc(file.dir).c_str(), *file.owner, *file.owner) != 0)
                ADD_FAILURE() << "cannot give " << rc(file.dir) << " to " << *file.owner;
        }
        ScopedEnv rcPathVar("ZXCPPRCPATH", rcPath);
        ScopedEnv homeVar("HOME", home);
        return U_Env::rcFile(p.product, skipped);
    }

    ProductEnvironment p;
    TempDir root;
    const std::string first = makeDir(root, "first");
    const std::string second = makeDir(root, "second");
    const std::string cwd = makeDir(root, "cwd");
    const std::string home = makeDir(root, "home");
    ScopedCurrentDirectory inCwd{cwd};
};

} // namespace

TEST_F(RcFileLookup, SearchesRcPathThenCurrentDirectoryThenHome)
{
    const std::string shadow = makeDir(root, "shadow");
    makeDir(root, "shadow/.zxcpprc");  // a directory named like the rc file
    struct Row {
        const char* name;
        std::vector<RcIn> filesIn;
        std::optional<std::string> rcPath;
        std::string expected;
    };
    const std::string missing = root.file("missing");
    const std::vector<Row> rows = {
        {"rc path in its order", {{second}, {first}, {cwd}, {home}}, missing + ";" + first + ";" + second, rc(first)},
        {"a directory of that name is passed over", {{second}}, shadow + ";" + second, rc(second)},
        {"current directory before home", {{cwd}, {home}}, shadow, rc(cwd)},
        {"home last", {{home}}, std::nullopt, rc(home)},
        {"none at all", {}, shadow, ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        std::vector<std::string> skipped;
        EXPECT_EQ(r.expected, lookUp(r.filesIn, r.rcPath, skipped));
        EXPECT_EQ(std::vector<std::string>{}, skipped);
    }
}

// An rc file that neither the running user nor root owns is passed over
// and named, and the lookup goes on as if it were not there.
TEST_F(RcFileLookup, PassesOverAnotherUsersFile)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to make a file of another user";
    const uid_t other = 4242;
    struct Row {
        const char* name;
        std::vector<RcIn> filesIn;
        std::optional<std::string> rcPath;
        std::string expected;
        std::vector<std::string> skipped;
    };
    const std::vector<Row> rows = {
        {"in RCPATH: the next directory's", {{first, other}, {second, 0}}, first + ";" + second, rc(second),
         {rc(first)}},
        {"in RCPATH: the current directory's", {{first, other}, {cwd, 0}}, first, rc(cwd), {rc(first)}},
        {"in the current directory: HOME's", {{cwd, other}, {home, 0}}, std::nullopt, rc(home), {rc(cwd)}},
        {"everywhere: none", {{first, other}, {cwd, other}, {home, other}}, first, "",
         {rc(first), rc(cwd), rc(home)}},
        {"root's own", {{first, 0}}, first, rc(first), {}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        std::vector<std::string> skipped;
        EXPECT_EQ(r.expected, lookUp(r.filesIn, r.rcPath, skipped));
        EXPECT_EQ(r.skipped, skipped);
    }
}

TEST(OutputDirectory, OptionThenOutPathThenDot)
{
    ProductEnvironment p;
    struct Row {
        const char* name;
        std::string words;  // parsed as the command line's words
        std::optional<std::string> outPath;
        std::string expected;
    };
    const std::vector<Row> rows = {
        {"option wins", "-op\nopt/dir\n", "env", "opt/dir"},
        {"empty option falls through", "-op=\n", "env\\sub", "env/sub"},
        {"OUTPATH set to nothing", "", "", ""},
        {"dot last", "", std::nullopt, "."},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        ScopedEnv outPath("ZXCPPOUTPATH", r.outPath);
        U_RefPtr<C_CmdArgs> commandLine(new C_CmdArgs("ZXCPP", 0, nullptr));
        std::istringstream words(r.words);
        C_OrphanFileHandler handler;
        commandLine->parseStream(words, handler);
        EXPECT_EQ(r.expected, U_Env::outputDirectory(*commandLine));
        commandLine->makeCurrent();
        EXPECT_EQ(r.expected, U_Env::outputDirectory());
    }
}
