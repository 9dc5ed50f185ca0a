#include "app/QL_App.h"
#include "app/QL_AppMbrCall.h"
#include "app/QL_Signal.h"
#include "cmdline/C_OrphanHandler.h"
#include "util/U_Exception.h"

#include "support/ScopedEnv.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <iostream>
#include <new>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

const char kBanner[] = "BANNER line one\nBANNER line two\n";
const char kSupport[] =
    "Please notify Marrowby support (support@marrowby.example) of this problem,\n"
    "attaching a code example that causes the problem, if possible.\n";

// An application whose run does what the test asks and whose usage text is
// one recognisable line.
class FakeApp {
public:
    std::function<int()> work = [] { return 0; };
    int runs = 0;
    std::size_t inputFiles = 0;

    int run(U_RefPtr<C_CmdArgs> cmdArgs, C_OrphanFileHandler* handler)
    {
        ++runs;
        inputFiles = handler->size();
        EXPECT_TRUE(cmdArgs.isValid());
        return work();
    }
    void usage() { std::cerr << "USAGE" << std::endl; }
};

struct Outcome {
    int code;
    std::string out;
    std::string err;
};

Outcome runFrame(FakeApp& app, std::vector<std::string> args)
{
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    U_RefPtr<QL_App> frame(new QL_AppMbrCall<FakeApp, C_OrphanFileHandler>(kBanner, &app, &FakeApp::run, &FakeApp::usage));
    QL_App::resetBannerFlagForTests();
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int code = QL_App::main(static_cast<int>(args.size()), argv.data(), frame);
    std::cout.flush();
    Outcome outcome{code, testing::internal::GetCapturedStdout(), testing::internal::GetCapturedStderr()};
    EXPECT_EQ(frame->refCount(), 1u);  // main released its reference
    return outcome;
}

// The environment a product needs: its BIN directory with an empty
// configuration file, a temporary directory, a home without an rc file.
class FrameTest : public testing::Test {
protected:
    TempDir dir;
    ScopedEnv bin{"ZXCBIN", dir.path()};
    ScopedEnv temp{"ZXCTEMPFILES", dir.path()};
    ScopedEnv home{"HOME", dir.path()};
    ScopedEnv rcpath{"ZXCRCPATH", std::nullopt};
    ScopedEnv outpath{"ZXCOUTPATH", dir.path()};
    void SetUp() override { dir.write("zxc.cfg", ""); }
};

TEST_F(FrameTest, ExitCodesAndMessages)
{
    struct Row {
        const char* what;
        std::vector<std::string> args;
        std::function<int()> work;
        int code;
        std::string err;
        int runs;
    };
    const std::string nolimit = "-debug=noVirtualMemoryLimit";
    const std::vector<Row> rows = {
        {"no product", {}, nullptr, 10, "ERROR: No product name specified.\nUSAGE\n", 0},
        {"unknown product", {"XYZ", "a.c"}, nullptr, 10, "ERROR: Invalid product name specified.\nUSAGE\n", 0},
        {"product as a path", {"C:\\tools\\zxc.exe", nolimit, "a.c"}, [] { return 1; }, 1, "", 1},
        {"run's result", {"zxc", nolimit, "a.c"}, [] { return 0; }, 0, "", 1},
        {"configuration error with a code", {"ZXC", nolimit},
         []() -> int { throw C_ConfigurationException(12, "bad option\n"); }, 12, "bad option\nUSAGE\n", 1},
        {"configuration error", {"ZXC", nolimit}, []() -> int { throw C_ConfigurationException("bad\n"); }, 10,
         "bad\nUSAGE\n", 1},
        {"assertion", {"ZXC", nolimit}, []() -> int { throw U_AssertException(); }, 18, "", 1},
        {"user exception", {"ZXC", nolimit}, []() -> int { throw U_UserException("Cannot write error file 'x'."); },
         18, "Cannot write error file 'x'.\n", 1},
        {"program exception", {"ZXC", nolimit}, []() -> int { throw U_Exception(); }, 18,
         std::string("An internal exception occured: ") + U_Exception().what() + "\n", 1},
        {"allocation failure", {"ZXC", nolimit}, []() -> int { throw std::bad_alloc(); }, 19,
         std::string("A system allocation exception (: std::bad_alloc) was detected.\n") + kSupport, 1},
        {"standard exception", {"ZXC", nolimit}, []() -> int { throw std::runtime_error("boom"); }, 19,
         std::string("A system exception (boom) was detected.\n") + kSupport, 1},
        {"anything else", {"ZXC", nolimit}, []() -> int { throw 17; }, 19,
         std::string("An unrecognised exception was detected.\n") + kSupport, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        FakeApp app;
        if (row.work)
            app.work = row.work;
        const Outcome outcome = runFrame(app, row.args);
        EXPECT_EQ(outcome.code, row.code);
        EXPECT_EQ(outcome.err, row.err);
        EXPECT_EQ(app.runs, row.runs);
    }
}

TEST_F(FrameTest, MissingOrEmptyBinVariable)
{
    for (const std::optional<std::string>& value : {std::optional<std::string>(), std::optional<std::string>("")}) {
        SCOPED_TRACE(value ? "empty" : "unset");
        ScopedEnv noBin("ZXCBIN", value);
        FakeApp app;
        const Outcome outcome = runFrame(app, {"ZXC", "a.c"});
        EXPECT_EQ(outcome.code, 10);
        EXPECT_EQ(outcome.err, "\nERROR: ZXCBIN environment variable not found\nUSAGE\n");
        EXPECT_EQ(app.runs, 0);
    }
}

TEST_F(FrameTest, BannerAtMostOnce)
{
    struct Row {
        std::vector<std::string> args;
        std::string out;
        int code;
    };
    const std::vector<Row> rows = {
        {{"ZXC", "-debug=noVirtualMemoryLimit", "a.c"}, "", 0},
        {{"ZXC", "-debug=noVirtualMemoryLimit", "-version"}, kBanner, 0},
        {{"XYZ", "-verbose", "-VERSION", "-verify"}, kBanner, 10},
        {{"ZXC", "-ve", "-debug=noVirtualMemoryLimit"}, "", 0},
        {{"-version"}, "", 10},  // the product argument is not looked at
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.args.back());
        FakeApp app;
        const Outcome outcome = runFrame(app, row.args);
        EXPECT_EQ(outcome.out, row.out);
        EXPECT_EQ(outcome.code, row.code);
    }
}

TEST_F(FrameTest, InputFilesReachTheRun)
{
    FakeApp app;
    const Outcome outcome = runFrame(app, {"ZXC", "-debug=noVirtualMemoryLimit", "a.c", "b.c", "a.c"});
    EXPECT_EQ(outcome.code, 0);
    EXPECT_EQ(app.inputFiles, 2u);
}

TEST(QL_AppDeathTest, FatalSignalEndsWithCode19)
{
    const std::vector<std::pair<int, std::string>> rows = {
        {SIGTERM, "SIGTERM"}, {SIGINT, "SIGINT"}, {SIGHUP, "SIGHUP"}, {SIGQUIT, "SIGQUIT"}};
    for (const auto& [signo, name] : rows) {
        EXPECT_EXIT(
            {
                std::signal(signo, SIG_DFL);  // as when not started under nohup
                QL_Signal::installHandler(&QL_App::fatalSignalHandler);
                std::raise(signo);
            },
            testing::ExitedWithCode(19), "^Caught signal: \\(" + name + "\\)\nPlease contact Marrowby.\n$");
    }
}

} // namespace
