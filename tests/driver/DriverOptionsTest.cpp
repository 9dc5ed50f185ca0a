#include "driver/DriverOptions.h"
#include "driver/RunLog.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sstream>

#include <sys/stat.h>
#include <unistd.h>

namespace {

TEST(DriverOptionsTest, ProdOptionValues)
{
    struct Row {
        std::vector<std::string> values;
        std::string logName;
        bool nocache;
    };
    const std::vector<Row> rows = {
        {{}, "", false},
        {{"baseline::log=run.txt"}, "run.txt", false},
        {{"baseline::log=\"C:\\logs\\run.txt\""}, "C:/logs/run.txt", false},
        {{"baseline::log='a b.txt'"}, "a b.txt", false},
        {{"baseline::log=\"half"}, "\"half", false},
        {{"baseline::log=-"}, "-", false},
        {{"baseline::log"}, "", false},
        {{"baseline::log="}, "", false},
        {{"baseline::logfile=x"}, "ile=x", false},
        {{"baseline::log=a", "baseline::log=b"}, "b", false},
        {{"baseline::log=a", "baseline::log"}, "", false},
        {{"baseline::nocache"}, "", true},
        {{"baseline::nocachex", "other"}, "", true},
        {{"BASELINE::NOCACHE", "Baseline::log=x"}, "", false},
        {{"baseline::log=caf\xe9\\x.txt"}, "caf\xe9/x.txt", false},  // bytes of no encoding stay
        {{"baseline::log\xc3\xa9x.txt"}, "x.txt", false},             // one character after the prefix
        {{"baseline::log\xe9x.txt"}, "x.txt", false},                  // or one byte
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.values.empty() ? "none" : row.values.front());
        const DriverOptions options = DriverOptions::fromValues(row.values);
        EXPECT_EQ(options.logName, row.logName);
        EXPECT_EQ(options.nocache, row.nocache);
    }
}

TEST(DriverOptionsTest, LogPath)
{
    struct Row {
        std::string name, input, outputDir, path;
    };
    const std::vector<Row> rows = {
        {"run.txt", "/w/src/file.c", "/out", "/out/run.txt"},
        {"run.txt", "/w/src/file.c", "/out/", "/out/run.txt"},
        {"run.txt", "/w/src/file.c", "", "./run.txt"},
        {"%Bf_log.txt", "/w/src/file.c", "/out", "/out/file.c_log.txt"},
        {"logs/%Bf-%Bf.txt", "/w/a.c", "/out", "logs/a.c-a.c.txt"},
        {"C:\\logs\\run.txt", "/w/a.c", "/out", "C:/logs/run.txt"},
        {"%Bf.log", "/w\xe9/caf\xe9.c", "/out\xe8", "/out\xe8/caf\xe9.c.log"},
        {"%Bf", "a.c", "/out", "/out/a.c"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(DriverOptions::logPath(row.name, row.input, row.outputDir), row.path);
    }
}

TEST(RunLogTest, LineForm)
{
    const QDateTime time(QDate(2026, 3, 4), QTime(5, 6, 7, 89));
    EXPECT_EQ(RunLog::lineText(time, "text"), "05:06:07.089 04/03/2026\t : text");

    std::ostringstream out;
    RunLog log;
    log.write("nothing while off");
    log.openStream(out);
    log.write("Hash : ", "abc");
    log.write("stdout : ", "");
    log.write("one text");
    log.close();  // a stream log stays open
    log.write("still");
    std::vector<std::string> texts;
    std::istringstream in(out.str());
    for (std::string line; std::getline(in, line);) {
        ASSERT_GT(line.size(), 27u) << line;
        EXPECT_EQ(line.substr(23, 4), "\t : ");
        texts.push_back(line.substr(27));
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"Hash :  abc", "stdout :  ", "one text", "still"}));
}

TEST(RunLogTest, FileLog)
{
    TempDir dir;
    RunLog log;
    EXPECT_FALSE(log.openFile(dir.file("missing/run.txt")));
    EXPECT_FALSE(log.isOn());
    dir.write("run.txt", "old content\n");
    ASSERT_TRUE(log.openFile(dir.file("run.txt")));
    log.write("a");
    EXPECT_EQ(dir.read("run.txt").substr(23), "\t : a\n");  // flushed at once, old content gone
    log.close();
    EXPECT_EQ(log.mode(), RunLog::Mode::Off);
}

} // namespace

// The log opens a regular file, truncated, or a new one; never what a link
// at its name leads to, and never a FIFO, which would wait for a reader.
TEST(RunLogTest, OpensOnlyARegularFileOfItsOwnName)
{
    TempDir dir;
    ASSERT_TRUE(dir.isValid());
    dir.write("secret", "root's");
    ASSERT_EQ(0, ::symlink(dir.file("secret").c_str(), dir.file("link.txt").c_str()));
    ASSERT_EQ(0, ::mkfifo(dir.file("fifo.txt").c_str(), 0600));
    dir.write("old.txt", "an older log, longer than the new one");
    struct Row {
        const char* name;
        bool opens;
    };
    const Row rows[] = {{"new.txt", true}, {"old.txt", true}, {"link.txt", false}, {"fifo.txt", false}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        RunLog log;
        EXPECT_EQ(r.opens, log.openFile(dir.file(r.name)));
        EXPECT_EQ(r.opens, log.isOn());
        log.write("text");
        log.close();
        if (r.opens) {
            const std::string written = dir.read(r.name);
            const std::string end = "\t : text\n";
            EXPECT_EQ(written.size() - end.size(), written.find(end)) << written;
        }
    }
    EXPECT_EQ("root's", dir.read("secret"));
}
