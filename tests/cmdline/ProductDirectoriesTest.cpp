#include "cmdline/C_CmdArgs.h"
#include "cmdline/C_OrphanHandler.h"
#include "cmdline/U_EnvDirectories.h"
#include "encoding/ProductEnvironment.h"
#include "support/ScopedCurrentDirectory.h"
#include "util/U_Exception.h"

#include <gtest/gtest.h>

#include <sstream>
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

TEST(RcFile, SearchesRcPathThenCurrentDirectoryThenHome)
{
    ProductEnvironment p;
    TempDir root;
    const std::string first = makeDir(root, "first");
    const std::string second = makeDir(root, "second");
    const std::string cwd = makeDir(root, "cwd");
    const std::string home = makeDir(root, "home");
    const std::string shadow = makeDir(root, "shadow");
    makeDir(root, "shadow/.zxcpprc");  // a directory named like the rc file
    ScopedCurrentDirectory inCwd(cwd);
    ASSERT_TRUE(inCwd.isValid());

    struct Row {
        const char* name;
        std::vector<std::string> filesIn;  // directories that hold a .zxcpprc
        std::optional<std::string> rcPath;
        std::string expected;
    };
    const std::string missing = root.file("missing");
    const std::vector<Row> rows = {
        {"rc path in its order", {second, first, cwd, home}, missing + ";" + first + ";" + second, first + "/.zxcpprc"},
        {"a directory of that name is passed over", {second}, shadow + ";" + second, second + "/.zxcpprc"},
        {"current directory before home", {cwd, home}, shadow, cwd + "/.zxcpprc"},
        {"home last", {home}, std::nullopt, home + "/.zxcpprc"},
        {"none at all", {}, shadow, ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        for (const std::string& dir : {first, second, cwd, home})
            std::remove((dir + "/.zxcpprc").c_str());
        for (const std::string& dir : r.filesIn)
            root.write(dir.substr(root.path().size() + 1) + "/.zxcpprc", "-x\n");
        ScopedEnv rcPath("ZXCPPRCPATH", r.rcPath);
        ScopedEnv homeVar("HOME", home);
        EXPECT_EQ(r.expected, U_Env::rcFile(p.product));
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
