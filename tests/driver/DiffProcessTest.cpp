#include "driver/DiffProcess.h"

#include "support/ScopedEnv.h"
#include "support/TempDir.h"

#include <QFile>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kShortWaitMs = 400;

// Writes an executable shell script and returns its path.
std::string script(const TempDir& dir, const std::string& name, const std::string& body)
{
    const std::string path = dir.write(name, "#!/bin/sh\n" + body);
    ::chmod(path.c_str(), 0755);
    return path;
}

// True while pid names a process that has not ended (a zombie has ended).
bool isAlive(long pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string pidText, comm, state;
    if (!(stat >> pidText >> comm >> state))
        return false;
    return state != "Z" && state != "X";
}

// Whether pid has ended or ends within ten seconds: a process killed with
// its group but started by another is reaped when the kernel gets to it.
bool endsSoon(long pid)
{
    for (int i = 0; i < 1000 && isAlive(pid); ++i)
        ::usleep(10000);
    return !isAlive(pid);
}

// The first line of a command's scripts: it leaves its own pid beside it.
const char* const kLeavesItsPid = "echo $$ >\"$0.self\"\n";

// Whether the command of the script at program was run and is gone when
// run() returns: run() waits for it, killed or not.
void expectCommandGone(const std::string& program)
{
    std::ifstream self(program + ".self");
    long pid = 0;
    ASSERT_TRUE(self >> pid) << "the command did not run";
    EXPECT_FALSE(isAlive(pid)) << "the command is left running";
}

using Status = DiffResult::Status;
using Lines = std::vector<std::string>;

Lines linesOf(const PatchLines& lines)
{
    return Lines(lines.begin(), lines.end());
}

TEST(DiffProcessTest, OutcomeOfEachKindOfCommand)
{
    TempDir dir;
    ASSERT_TRUE(dir.isValid());
    struct Row {
        const char* what;
        std::string body;  // empty: a program that does not exist
        Status status;
        std::vector<std::string> lines;
        int exitCode;
    };
    const std::vector<Row> rows = {
        {"normal diff output, exit code 1 ignored",
         "printf '3c3\\n< a\\n---\\n> b\\n  5,7d4  \\n\\n12a13,14\\n> x\\nFile x\\n-1c1\\n1,2c-3\\n'; exit 1",
         Status::Output, {"3c3", "5,7d4", "12a13,14"}, 1},
        {"last line without a line end", "printf '2d1\\r\\n4a5'", Status::Output, {"2d1", "4a5"}, 0},
        {"only chatter", "echo 'Only in x'", Status::Output, {}, 0},
        {"no output, exit 0", "exit 0", Status::NoOutput, {}, 0},
        {"no output, exit 3", "echo oops >&2; exit 3", Status::ExitCode, {}, 3},
        {"missing program", "", Status::FailedToStart, {}, 0},
        {"silent and hanging", "exec sleep 30", Status::TimedOut, {}, 0},
        {"prints part and hangs", "echo 1c1; exec sleep 30", Status::TimedOut, {}, 0},
        {"crashes after printing", "echo 1c1; kill -SEGV $$", Status::Crashed, {}, 0},
        {"reads standard input", "if read line; then echo 9c9; else echo 1c1; fi", Status::Output, {"1c1"}, 0},
    };
    int n = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string program = row.body.empty()
                                        ? dir.file("missing")
                                        : script(dir, "s" + std::to_string(n++), kLeavesItsPid + row.body + "\n");
        const DiffResult result = DiffProcess(kShortWaitMs).run({program, "a", "b"});
        EXPECT_EQ(result.status, row.status);
        EXPECT_EQ(linesOf(result.changeLines), row.lines);
        if (row.status == Status::Output || row.status == Status::ExitCode) {
            EXPECT_EQ(result.exitCode, row.exitCode);
        }
        // A command that hangs is killed at the end of its waits, not waited
        // for until it ends.
        if (!row.body.empty()) {
            expectCommandGone(program);
        }
    }
}

TEST(DiffProcessTest, ArgumentsArriveUnchanged)
{
    TempDir dir;
    const std::string program = script(dir, "args", "for a in \"$@\"; do printf '[%s]' \"$a\"; done >\"$0.out\"\n");
    DiffProcess(kShortWaitMs).run({program, "a b", "", "\"q\"", "%BF", "caf\xe9 \xff"});
    EXPECT_EQ(dir.read("args.out"), "[a b][][\"q\"][%BF][caf\xe9 \xff]");

    // An argument with a NUL cannot arrive unchanged: nothing is started.
    std::remove(dir.file("args.out").c_str());
    const DiffResult cut = DiffProcess(kShortWaitMs).run({program, "a", std::string("/w/x\0b", 6)});
    EXPECT_EQ(Status::FailedToStart, cut.status);
    EXPECT_NE(0, ::access(dir.file("args.out").c_str(), F_OK)) << "the command ran";
}

// The program ignores SIGPIPE and SIGXFSZ for itself; the diff command
// starts with every signal at its default and none blocked.
TEST(DiffProcessTest, CommandStartsWithDefaultSignals)
{
    TempDir dir;
    const std::string program = script(dir, "sigs", "grep -E '^Sig(Ign|Blk)' /proc/self/status >\"$0.out\"\n");
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    struct sigaction oldPipe {}, oldFsize {};
    ::sigaction(SIGPIPE, &ignore, &oldPipe);
    ::sigaction(SIGXFSZ, &ignore, &oldFsize);
    DiffProcess(kShortWaitMs).run({program});
    ::sigaction(SIGPIPE, &oldPipe, nullptr);
    ::sigaction(SIGXFSZ, &oldFsize, nullptr);
    std::istringstream status(dir.read("sigs.out"));
    std::string label;
    unsigned long long blocked = ~0ull, ignored = ~0ull;
    status >> label >> std::hex >> blocked >> label >> ignored;
    EXPECT_EQ(blocked, 0u);
    const auto bit = [](int signal) { return 1ull << (signal - 1); };
    EXPECT_EQ(ignored & (bit(SIGPIPE) | bit(SIGXFSZ)), 0u);
}

// A program named without a directory is found on PATH and started under
// its full name, which is the name it sees (and may print in its messages).
TEST(DiffProcessTest, ProgramOnPathRunsUnderItsFullName)
{
    TempDir dir;
    const char* oldPath = std::getenv("PATH");
    ScopedEnv path("PATH", dir.path() + ":" + (oldPath ? oldPath : "/usr/bin:/bin"));
    // The second name is no UTF-8: it is looked up and started by its bytes.
    for (const std::string name : {"namer", "nam\xe9r"}) {
        SCOPED_TRACE(name);
        const std::string program = script(dir, name, "printf '%s' \"$0\" >\"$0.out\"; echo 1c1\n");
        const DiffResult result = DiffProcess(kShortWaitMs).run({name, "a"});
        EXPECT_EQ(result.status, Status::Output);
        EXPECT_EQ(linesOf(result.changeLines), Lines{"1c1"});
        EXPECT_EQ(dir.read(name + ".out"), program);
        ::unlink(program.c_str());  // Qt cannot name the second to remove it
        ::unlink((program + ".out").c_str());
    }
    EXPECT_EQ(DiffProcess(kShortWaitMs).run({}).status, Status::FailedToStart);
}

TEST(DiffProcessTest, StandardErrorIsCappedAndOutputLinesKeptForTheLog)
{
    TempDir dir;
    const std::string program =
        script(dir, "flood", "head -c 1000000 /dev/zero | tr '\\0' x >&2; printf ' 1c1 \\n< a\\n'\n");
    const DiffResult result = DiffProcess(5000, true).run({program});
    EXPECT_EQ(result.status, Status::Output);
    EXPECT_EQ(result.errorOutput.size(), DiffProcess::kMaxErrorBytes);
    EXPECT_EQ(linesOf(result.changeLines), Lines{"1c1"});
    EXPECT_EQ(linesOf(result.outputLines), (Lines{"1c1", "< a"}));
}

// A line longer than kMaxLineBytes is not held whole, however long it grows:
// the log gets its start only. One that is no change command is dropped; one
// that is fails the diff at once, since leaving it out would change the
// mapping. White space counts: the line is held before it is trimmed.
TEST(DiffProcessTest, OverlongLines)
{
    TempDir dir;
    const std::string held = std::to_string(DiffProcess::kMaxLineBytes - 3);
    const std::string over = std::to_string(DiffProcess::kMaxLineBytes - 2);
    struct Row {
        const char* what;
        std::string body;
        Status status;
        Lines lines;
    };
    const std::vector<Row> rows = {
        {"a change command padded with blanks to the longest line held", "printf '1a2%" + held + "s\\n' ''",
         Status::Output, {"1a2"}},
        {"one blank more", "printf '1a2%" + over + "s\\n2d2\\n' ''", Status::LineTooLong, {}},
        {"blanks before it", "printf '%" + over + "s1a2\\n2d2\\n' ''", Status::LineTooLong, {}},
        {"the last line, without a line end", "printf '2d2\\n1a2%" + over + "s' ''", Status::LineTooLong, {}},
        {"then it hangs: killed at once", "printf '1a2%" + over + "s\\n' ''; exec sleep 30", Status::LineTooLong, {}},
        {"digits all along, over several reads", "printf '%0300000dc1\\n' 0", Status::LineTooLong, {}},
        {"a \"-\" past the start held: no change command", "printf '1a2%070000s-\\n2d2\\n' ''", Status::Output,
         {"2d2"}},
        {"diff's own line of a long source line", "printf '2d2\\n< '; head -c 300000 /dev/zero | tr '\\0' 7; echo",
         Status::Output, {"2d2"}},
        {"white space alone", "head -c 300000 /dev/zero | tr '\\0' ' '; echo; echo 2d2", Status::Output, {"2d2"}},
    };
    int n = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string program = script(dir, "s" + std::to_string(n++), row.body + "\n");
        const DiffResult result = DiffProcess(20000, true).run({program});
        EXPECT_EQ(result.status, row.status);
        EXPECT_EQ(linesOf(result.changeLines), row.lines);
    }

    // The log gets the start of each overlong line: one of digits that a "-"
    // past its start makes no change command, then the lines after it, the
    // last one overlong too and without a line end.
    const std::string program =
        script(dir, "log", "printf '%070000d-\\n2d2\\n< ' 0; head -c 300000 /dev/zero | tr '\\0' 7\n");
    const DiffResult result = DiffProcess(5000, true).run({program});
    EXPECT_EQ(result.status, Status::Output);
    EXPECT_EQ(linesOf(result.changeLines), Lines{"2d2"});
    EXPECT_EQ(linesOf(result.outputLines), (Lines{std::string(DiffProcess::kMaxLineBytes, '0'), "2d2",
                                                  "< " + std::string(DiffProcess::kMaxLineBytes - 2, '7')}));
}

// The change commands kept are bounded: up to kMaxChangeBytes of them (each
// with its line end) are a result; past that the command is killed with
// what it started, at once, and fails, whether or not it would ever end.
TEST(DiffProcessTest, ChangeCommandsPastTheBoundKillTheCommand)
{
    TempDir dir;
    const std::size_t bound = DiffProcess::kMaxChangeBytes;
    struct Row {
        const char* what;
        std::string body;
        Status status;
        std::size_t lines;
    };
    const std::vector<Row> rows = {
        {"exactly the bound", "echo 2d1; yes 1a1 | head -c " + std::to_string(bound - 4), Status::Output, bound / 4},
        {"one line more", "echo 2d1; yes 1a1 | head -c " + std::to_string(bound), Status::TooLarge, 0},
        {"exactly the bound, the last line without a line end",
         "echo 2d1; yes 1a1 | head -c " + std::to_string(bound - 8) + "; printf 1a1", Status::Output, bound / 4},
        {"one last line without a line end more",
         "echo 2d1; yes 1a1 | head -c " + std::to_string(bound - 4) + "; printf 9c9", Status::TooLarge, 0},
        {"without end, through a child of its own", "yes 1a1 & echo $! >\"$0.pid\"; wait", Status::TooLarge, 0},
    };
    int n = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string name = "s" + std::to_string(n++);
        const std::string program = script(dir, name, kLeavesItsPid + row.body + "\n");
        const DiffResult result = DiffProcess(20000).run({program});
        EXPECT_EQ(result.status, row.status);
        expectCommandGone(program);
        EXPECT_EQ(result.changeLines.size(), row.lines);
        if (row.lines > 0) {
            EXPECT_EQ(result.changeLines.text().size(), bound);
            EXPECT_EQ(*result.changeLines.begin(), "2d1");
        }
        if (QFile::exists(QString::fromStdString(dir.file(name + ".pid")))) {
            EXPECT_TRUE(endsSoon(std::stol(dir.read(name + ".pid")))) << "what the command started is left running";
        }
    }
}

// What the log is given of the output is bounded too: lines up to
// kMaxLoggedBytes, and the number of the lines beyond.
TEST(DiffProcessTest, TheLogIsGivenABoundedPartOfTheOutput)
{
    TempDir dir;
    const std::string program = script(dir, "chatter", "echo 1c1; yes '< x' | head -c 20000000\n");
    const DiffResult result = DiffProcess(20000, true).run({program});
    EXPECT_EQ(result.status, Status::Output);
    EXPECT_EQ(linesOf(result.changeLines), Lines{"1c1"});
    const std::size_t logged = DiffProcess::kMaxLoggedBytes / 4;  // "< x" and its line end
    EXPECT_EQ(result.outputLines.size(), logged);
    EXPECT_EQ(result.outputLinesLeftOut, 1 + 20000000 / 4 - logged);
    EXPECT_EQ(*result.outputLines.begin(), "1c1");
}

TEST(DiffProcessTest, ExpiredWaitKillsWhatTheCommandStarted)
{
    TempDir dir;
    const std::string program = script(dir, "bg", "sleep 30 & echo $! >\"$0.pid\"; wait\n");
    const DiffResult result = DiffProcess(kShortWaitMs).run({program});
    EXPECT_EQ(result.status, Status::TimedOut);
    EXPECT_TRUE(endsSoon(std::stol(dir.read("bg.pid"))));
}

TEST(DiffProcessTest, ChangeCommandRule)
{
    const std::vector<std::pair<std::string, bool>> rows = {
        {"3c3", true},   {"5,7d4", true}, {"12a13,14", true}, {"", false},       {"< a", false},
        {"> b", false},  {"---", false},  {"a1", false},      {"1c1 -x", false}, {"\xd9\xa3" "c1", false},
    };
    for (const auto& [line, kept] : rows) {
        SCOPED_TRACE(line);
        EXPECT_EQ(DiffProcess::isChangeCommand(line), kept);
    }
    EXPECT_EQ(DiffProcess::trimmed(" \t3c3\r\n"), "3c3");
    EXPECT_EQ(DiffProcess::trimmed(" \t "), "");
}

} // namespace
