#include "RecordFiles.h"
#include "support/DeadPid.h"
#include "support/DirectoryEntries.h"
#include "cmdline/C_CmdArgs.h"
#include "cmdline/C_Options.h"
#include "encoding/ProductEnvironment.h"
#include "messages/M_Diagnostic.h"
#include "messages/M_MessageFilter.h"
#include "messages/M_ErrorFileException.h"
#include "messages/M_Output.h"
#include "messages/M_OutputVerro2.h"
#include "messages/R_Exceptions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

using recordtest::hex;
using recordtest::toHex;

namespace {

// A generation-3 header as the analysers write it, and a section start.
const std::string kHeader = hex("00 93 00 00 00 00 00 00");
const std::string kSectionStart = hex("01 00 00 00 00");

const U_Filename& sourceFile()
{
    static const U_Filename file("/w/a.c", "a.c");
    return file;
}

// A baseline suppression as the run sends it: kind 2, "BLSup", one range,
// the same location as first and second place, no third.
void sendBaseline(const U_Location& location)
{
    M_Output::sendSuppression(2, location, "BLSup", {{"1234", "1234"}}, location, U_Location());
}

// The bytes of one such record whose location is new in the section
// (lineColumn: line and column as 8 hex bytes), with the file's body when
// fileIsNew.
std::string newRecord(std::uint32_t locationId, bool fileIsNew, const std::string& lineColumn)
{
    const std::string id = recordtest::le(locationId);
    return hex("04 02") + id +
           (fileIsNew ? hex("00 00 00 00  06 00 00 00 2F 77 2F 61 2E 63  03 00 00 00 61 2E 63")
                      : hex("00 00 00 00")) +
           hex(lineColumn) + hex("00") +                     // no location parts
           hex("05 00 00 00 42 4C 53 75 70") +               // BLSup
           hex("01 00 00 00 04 00 00 00 31 32 33 34 04 00 00 00 31 32 33 34") +  // one range 1234..1234
           hex("04") + id + hex("00");                       // marker, location2 known, no location3
}

class M_OutputTest : public ::testing::Test {
protected:
    void SetUp() override { M_Output::close(); }
    void TearDown() override
    {
        try {
            M_Output::close();
        } catch (const std::exception&) {
        }
    }

    ProductEnvironment pe;
    TempDir dir;
};

} // namespace

TEST_F(M_OutputTest, AppendAddsOneSectionAtClose)
{
    const U_Location line12 = U_Location::create(sourceFile(), 12, 3);
    const U_Location line40 = U_Location::create(sourceFile(), 40, 5);
    struct Row {
        const char* what;
        std::string existing;
        std::function<void()> sends;
        std::string appended;
    };
    const std::string someRecord = hex("01 00 00 00 00");
    const std::vector<Row> rows = {
        {"no record: a section start alone", kHeader, [] {}, kSectionStart},
        {"every generation-3 id takes a section", hex("00 81 00 00 07 00 00 00") + someRecord, [] {},
         kSectionStart},
        {"one record", kHeader, [&] { sendBaseline(line12); },
         kSectionStart + newRecord(0, true, "0C 00 00 00 03 00 00 00")},
        {"two lines of one file: the file's names once", kHeader,
         [&] {
             sendBaseline(line12);
             sendBaseline(line40);
         },
         kSectionStart + newRecord(0, true, "0C 00 00 00 03 00 00 00") +
             newRecord(1, false, "28 00 00 00 05 00 00 00")},
        {"one location sent twice: its id alone the second time", kHeader,
         [&] {
             sendBaseline(line12);
             sendBaseline(line12);
         },
         kSectionStart + newRecord(0, true, "0C 00 00 00 03 00 00 00") +
             hex("04 02 00 00 00 00 05 00 00 00 42 4C 53 75 70 01 00 00 00 04 00 00 00 31 32 33 34"
                 " 04 00 00 00 31 32 33 34 04 00 00 00 00 00")},
        {"third location and several ranges", kHeader,
         [&] {
             M_Output::sendSuppression(1, line12, "r", {{"1", "2"}, {"-5", "7"}}, line40, line12);
         },
         kSectionStart +
             hex("04 01 00 00 00 00 00 00 00 00 06 00 00 00 2F 77 2F 61 2E 63 03 00 00 00 61 2E 63"
                 " 0C 00 00 00 03 00 00 00 00  01 00 00 00 72  02 00 00 00"
                 " 01 00 00 00 31 01 00 00 00 32 02 00 00 00 2D 35 01 00 00 00 37  04"
                 " 01 00 00 00 00 00 00 00 28 00 00 00 05 00 00 00 00  01 00 00 00 00")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string path = dir.write("a.c.err", row.existing);
        M_Output::openAppend(path);
        row.sends();
        EXPECT_EQ(toHex(row.existing), toHex(dir.read("a.c.err"))) << "nothing before close";
        M_Output::close();
        EXPECT_EQ(toHex(row.existing + row.appended), toHex(dir.read("a.c.err")));
    }
}

TEST_F(M_OutputTest, EachOpenStartsItsIdsAgain)
{
    const U_Location line12 = U_Location::create(sourceFile(), 12, 3);
    const std::string path = dir.write("a.c.err", kHeader);
    for (int run = 0; run < 2; ++run) {
        M_Output::openAppend(path);
        sendBaseline(line12);
        M_Output::close();
    }
    const std::string section = kSectionStart + newRecord(0, true, "0C 00 00 00 03 00 00 00");
    EXPECT_EQ(toHex(kHeader + section + section), toHex(dir.read("a.c.err")));
}

TEST_F(M_OutputTest, AppendInDirFindsTheSourcesMessageFile)
{
    dir.write("main.cpp.err", kHeader);
    M_OutputVerro2 channel;
    channel.openAppendInDir("elsewhere/main.cpp", dir.path());
    channel.close();
    EXPECT_EQ(toHex(kHeader + kSectionStart), toHex(dir.read("main.cpp.err")));
}

TEST_F(M_OutputTest, OpenNewWritesTheHeaderAndTruncates)
{
    const std::string path = dir.write("n.err", "older bytes that go");
    M_Output::openNew(path);
    M_Output::close();
    EXPECT_EQ("00 93 00 00 00 00 00 00 01 00 00 00 00", toHex(dir.read("n.err")));
}

TEST_F(M_OutputTest, AppendRefusesFilesItWouldSpoil)
{
    ASSERT_EQ(0, ::mkdir(dir.file("dir.err").c_str(), 0755));
    ASSERT_EQ(0, ::mkfifo(dir.file("fifo.err").c_str(), 0600));
    enum Refusal { BadOpen, Short, Version };
    struct Row {
        const char* what;
        const char* name;
        const char* bytes;  // null: the file is not written by the row
        Refusal refusal;
        std::string text;
    };
    const std::string append = "Cannot append to error file with incorrect version.  Error file has version: ";
    const std::string shorter = "Cannot append to error file shorter than its header.";
    const std::vector<Row> rows = {
        {"missing", "missing.err", nullptr, BadOpen, "Cannot write error file '" + dir.file("missing.err") + "'."},
        {"directory", "dir.err", nullptr, BadOpen, "Cannot write error file '" + dir.file("dir.err") + "'."},
        {"FIFO", "fifo.err", nullptr, BadOpen, "Cannot write error file '" + dir.file("fifo.err") + "'."},
        {"empty", "e.err", "", Short, shorter},
        {"three bytes", "3.err", "00 93 00", Short, shorter},
        {"four bytes, a valid id", "4.err", "00 93 00 00", Short, shorter},
        {"header cut in its second word", "6.err", "00 93 00 00 00 00", Short, shorter},
        {"seven bytes", "7.err", "00 93 00 00 00 00 00", Short, shorter},
        {"generation 2", "g2.err", "00 77 00 00 00 00 00 00 01 00 00 00 04 00 00 00 61 2E 63 00", Version,
         append + "7700. Expected: 9300\n"},
        {"generation 2, 0x7800", "g78.err", "00 78 00 00 00 00 00 00", Version, append + "7800. Expected: 9300\n"},
        {"generation 2, 0x7900", "g79.err", "00 79 00 00 00 00 00 00", Version, append + "7900. Expected: 9300\n"},
        {"unknown id", "u.err", "34 12 00 00 00 00 00 00", Version, append + "1234. Expected: 9300\n"},
    };
    const U_Location line12 = U_Location::create(sourceFile(), 12, 3);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string path = row.bytes ? dir.write(row.name, hex(row.bytes)) : dir.file(row.name);
        std::string text;
        int refusal = -1;
        try {
            M_Output::openAppend(path);
            ADD_FAILURE() << "opened";
        } catch (const M_BadFileOpenException& e) {
            refusal = BadOpen;
            text = e.what();
        } catch (const M_ShortErrorFileException& e) {
            refusal = Short;
            text = e.what();
            // The run's exit code follows the family.
            EXPECT_NE(nullptr, dynamic_cast<const M_ErrorFileException*>(&e));
        } catch (const M_BadVersionForAppendException& e) {
            refusal = Version;
            text = e.what();
        }
        EXPECT_EQ(row.refusal, refusal);
        EXPECT_EQ(row.text, text);
        // The failed channel takes sends and closes without a byte.
        sendBaseline(line12);
        M_Output::close();
        if (row.bytes) {
            EXPECT_EQ(toHex(hex(row.bytes)), toHex(dir.read(row.name)));
        }
    }
    struct stat info {};
    EXPECT_NE(0, ::stat(dir.file("missing.err").c_str(), &info)) << "a missing file is not created";
}

TEST_F(M_OutputTest, OpeningAgainClosesTheOpenChannelFirst)
{
    const std::string first = dir.write("1.err", kHeader);
    const std::string second = dir.write("2.err", kHeader);
    M_Output::openAppend(first);
    M_Output::openAppend(second);
    EXPECT_EQ(toHex(kHeader + kSectionStart), toHex(dir.read("1.err")));
    EXPECT_EQ(toHex(kHeader), toHex(dir.read("2.err")));
    M_Output::close();
    EXPECT_EQ(toHex(kHeader + kSectionStart), toHex(dir.read("2.err")));
}

TEST_F(M_OutputTest, NothingHappensWithoutAChannel)
{
    M_Output::close();
    sendBaseline(U_Location::create(sourceFile(), 1, 1));
    M_Output::close();
    EXPECT_EQ(0u, M_Output::diagnosticCount());
}

TEST_F(M_OutputTest, RecordWithoutItsPlacesIsRefusedWhole)
{
    const std::string path = dir.write("a.c.err", kHeader);
    const U_Location line12 = U_Location::create(sourceFile(), 12, 3);
    M_Output::openAppend(path);
    EXPECT_THROW(M_Output::sendSuppression(2, line12, "BLSup", {}, U_Location(), U_Location()), R_WritingException);
    EXPECT_THROW(M_Output::sendSuppression(2, U_Location(), "BLSup", {}, line12, U_Location()), R_WritingException);
    M_Output::close();
    EXPECT_EQ(toHex(kHeader + kSectionStart), toHex(dir.read("a.c.err")));
}

TEST_F(M_OutputTest, ChannelDroppedWithoutCloseLeavesTheFile)
{
    const std::string path = dir.write("a.c.err", kHeader);
    const U_Location line12 = U_Location::create(sourceFile(), 12, 3);
    {
        M_OutputVerro2 channel;
        channel.openAppend(path);
        channel.writeSuppression(new M_SuppressionRecord(2, line12, "BLSup", {}, line12, U_Location()));
    }
    EXPECT_EQ(toHex(kHeader), toHex(dir.read("a.c.err")));

    // A process that ends with the module's channel still open.
    const pid_t child = ::fork();
    ASSERT_NE(-1, child);
    if (child == 0) {
        M_Output::openAppend(path);
        sendBaseline(line12);
        std::exit(0);
    }
    int status = 0;
    ASSERT_EQ(child, ::waitpid(child, &status, 0));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(0, WEXITSTATUS(status));
    EXPECT_EQ(toHex(kHeader), toHex(dir.read("a.c.err")));
}

TEST_F(M_OutputTest, FailedWriteLeavesTheFileAsItWas)
{
    // Records before the section, so that the cut-back has something to keep.
    const std::string before = kHeader + kSectionStart + newRecord(0, true, "01 00 00 00 01 00 00 00");
    const std::string path = dir.write("a.c.err", before);
    const U_Location line12 = U_Location::create(sourceFile(), 12, 3);
    for (rlim_t room : {rlim_t{0}, rlim_t{3}, rlim_t{40}}) {
        SCOPED_TRACE(room);
        const pid_t child = ::fork();
        ASSERT_NE(-1, child);
        if (child == 0) {
            // The file may grow by room bytes only; a write past it fails
            // with EFBIG instead of killing the process.
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{before.size() + room, before.size() + room};
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
                ::_exit(3);
            try {
                M_Output::openAppend(path);
                for (int i = 0; i < 5; ++i)
                    sendBaseline(line12);
                M_Output::close();
            } catch (const R_WritingException&) {
                ::_exit(0);
            } catch (...) {
                ::_exit(2);
            }
            ::_exit(1);
        }
        int status = 0;
        ASSERT_EQ(child, ::waitpid(child, &status, 0));
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(0, WEXITSTATUS(status)) << "1: no failure reported; 2: another exception";
        EXPECT_EQ(toHex(before), toHex(dir.read("a.c.err")));
    }
}

TEST_F(M_OutputTest, DiagnosticPathMarksFiltersAndCounts)
{
    C_CmdArgs cmdArgs("ZXCPP", 0, nullptr);
    std::istringstream only("5\n");
    cmdArgs.options()->only()->parse(only, false);
    cmdArgs.makeCurrent();
    M_MessageFilter::reset();

    const std::string path = dir.write("a.c.err", kHeader);
    const U_Location place = U_Location::create(sourceFile(), 1, 2);
    U_RefPtr<M_Diagnostic> hidden = new M_Diagnostic(5, place);
    hidden->setHiddenByPragma(true);
    U_RefPtr<M_Diagnostic> refused = new M_Diagnostic(6, place);

    M_Output::openAppend(path);
    M_Output::send(hidden);
    M_Output::send(refused);    // "nogen" is on by default: dropped, still counted
    M_Output::sendUnfiltered(refused);
    EXPECT_EQ(2u, M_Output::diagnosticCount());
    EXPECT_EQ(1u, M_Output::unfilteredCount());
    M_Output::close();

    // Each checked diagnostic ends in a check value drawn at random: compare
    // the rest.
    const std::string written = dir.read("a.c.err");
    const std::string first = hex("08 00 00 00 00  00 00 00 00 06 00 00 00 2F 77 2F 61 2E 63 03 00 00 00 61 2E 63"
                                  " 01 00 00 00 02 00 00 00 00"
                                  " 05 00 00 00  01 00 00 00  00 00 00 00  00 00 00 00");
    const std::string second = hex("08 00 00 00 00  06 00 00 00  00 00 00 00  00 00 00 00  00 00 00 00");
    ASSERT_EQ(kHeader.size() + kSectionStart.size() + first.size() + 4 + second.size() + 4, written.size());
    std::size_t at = 0;
    EXPECT_EQ(toHex(kHeader + kSectionStart), toHex(written.substr(at, 13)));
    at += 13;
    EXPECT_EQ(toHex(first), toHex(written.substr(at, first.size())));
    at += first.size() + 4;
    EXPECT_EQ(toHex(second), toHex(written.substr(at, second.size())));

    M_Output::openAppend(path);
    EXPECT_EQ(0u, M_Output::diagnosticCount()) << "each open starts the counts again";
    EXPECT_EQ(0u, M_Output::unfilteredCount());
}

TEST_F(M_OutputTest, DiagnosticsBeforeAnyOpen)
{
    U_RefPtr<M_Diagnostic> diagnostic = new M_Diagnostic(1, U_Location::create(sourceFile(), 1, 1));
    struct Row {
        void (*send)(const U_RefPtr<M_Diagnostic>&);
        const char* printed;
    };
    const Row rows[] = {{&M_Output::send, "M_Output:81: Cannot send information before open().\n"},
                        {&M_Output::sendUnfiltered, "M_Output:99: Cannot send information before open().\n"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.printed);
        testing::internal::CaptureStderr();
        int thrown = 0;
        try {
            row.send(diagnostic);
        } catch (int value) {
            thrown = value;
        }
        EXPECT_EQ(row.printed, testing::internal::GetCapturedStderr());
        EXPECT_EQ(17, thrown);
    }
}

namespace {

struct stat statOf(const std::string& path)
{
    struct stat info {};
    EXPECT_EQ(0, ::stat(path.c_str(), &info)) << path;
    return info;
}

// Puts bytes at path in one rename, as another run appending does.
void replaceByRename(const TempDir& dir, const std::string& name, const std::string& bytes)
{
    dir.write("other-run.new", bytes);
    ASSERT_EQ(0, ::rename(dir.file("other-run.new").c_str(), dir.file(name).c_str()));
}

// Runs body in a child process and returns its exit code (-1 when a signal
// ended it); body returns the code.
int inChild(const std::function<int()>& body)
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(body());
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child)
        return -2;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

const std::string kOneSection = kSectionStart + newRecord(0, true, "0C 00 00 00 03 00 00 00");

// A message file whose last page is full but for two bytes: a section added
// to it spans two pages, so it goes into a new file.
std::string fullLastPage()
{
    const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    return kHeader + std::string(page - kHeader.size() - 2, '\x7f');
}

} // namespace

// A section that fits in the file's last page is written in place (one
// write lands whole even under SIGKILL); one that would span two pages goes
// into a new file renamed over the name. The bytes are the same either way.
TEST_F(M_OutputTest, SectionInTheLastPageGoesInPlaceElseIntoANewFile)
{
    const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    const U_Location line12 = U_Location::create(sourceFile(), 12, 3);
    struct Row {
        std::size_t size;  // of the file before the append
        bool inPlace;
    };
    const std::vector<Row> rows = {
        {kHeader.size(), true},
        {page - kOneSection.size(), true},       // ends exactly at the page's end
        {page - kOneSection.size() + 1, false},  // one byte into the next page
        {page, true},                            // begins a new page
        {2 * page - 1, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.size);
        const std::string old = kHeader + std::string(row.size - kHeader.size(), '\x7f');
        const std::string path = dir.write("a.c.err", old);
        const struct stat before = statOf(path);
        M_Output::openAppend(path);
        sendBaseline(line12);
        M_Output::close();
        EXPECT_EQ(toHex(old + kOneSection), toHex(dir.read("a.c.err")));
        EXPECT_EQ(row.inPlace, statOf(path).st_ino == before.st_ino);
        ASSERT_EQ(0, ::unlink(path.c_str()));
    }
}

namespace {

// The section of sends baseline suppressions on lines 1 to lines of the
// source, column 3, as hand-written records.
std::string sectionOfLines(int lines)
{
    std::string section = kSectionStart;
    for (int line = 1; line <= lines; ++line)
        section += newRecord(static_cast<std::uint32_t>(line - 1), line == 1,
                             toHex(recordtest::le(static_cast<std::uint32_t>(line)) + recordtest::le(3)));
    return section;
}

// A message file whose section spans pages, made different from a plain
// file of the running user in one respect.
struct SpanningRow {
    const char* what;
    bool needsRoot;
    const char* feature;  // what the file system must offer for prepare; nullptr: nothing
    int lines;            // of the section
    bool (*prepare)(const TempDir& dir, const std::string& path);
    bool replaced;
    void (*check)(const TempDir& dir, const std::string& path);  // after the append
    bool asOther;                                                 // the append runs as user 65534
};

void PrintTo(const SpanningRow& row, std::ostream* out)
{
    *out << row.what;
}

bool linkSecondName(const TempDir& dir, const std::string& path)
{
    return ::link(path.c_str(), dir.file("second").c_str()) == 0;
}

void expectOneFileOfTwoNames(const TempDir& dir, const std::string& path)
{
    EXPECT_EQ(statOf(path).st_ino, statOf(dir.file("second")).st_ino);
}

const SpanningRow kSpanningRows[] = {
    {"mode", false, nullptr, 1,
     [](const TempDir&, const std::string& p) { return ::chmod(p.c_str(), 0640) == 0; }, true,
     [](const TempDir&, const std::string& p) { EXPECT_EQ(0640u, statOf(p).st_mode & 07777); }, false},
    {"mode, owner and group", true, nullptr, 1,
     [](const TempDir&, const std::string& p) {
         return ::chmod(p.c_str(), 0640) == 0 && ::chown(p.c_str(), 1234, 5678) == 0;
     },
     true,
     [](const TempDir&, const std::string& p) {
         EXPECT_EQ(0640u, statOf(p).st_mode & 07777);
         EXPECT_EQ(1234u, statOf(p).st_uid);
         EXPECT_EQ(5678u, statOf(p).st_gid);
     },
     false},
    {"an extended attribute", false, "user extended attributes", 1,
     [](const TempDir&, const std::string& p) { return ::setxattr(p.c_str(), "user.k", "v", 1, 0) == 0; }, true,
     [](const TempDir&, const std::string& p) {
         char value[8] = {};
         EXPECT_EQ(1, ::getxattr(p.c_str(), "user.k", value, sizeof value));
         EXPECT_STREQ("v", value);
     },
     false},
    {"a second name", false, nullptr, 1, linkSecondName, false, expectOneFileOfTwoNames, false},
    {"a second name, a section of several pages", false, nullptr, 300, linkSecondName,
     false, expectOneFileOfTwoNames, false},
    {"another user's file, which a new file cannot be given to", true, nullptr, 1,
     [](const TempDir& dir, const std::string& p) {
         return ::chown(p.c_str(), 1234, 1234) == 0 && ::chmod(p.c_str(), 0666) == 0 &&
                ::chmod(dir.path().c_str(), 0777) == 0;
     },
     false, [](const TempDir&, const std::string& p) { EXPECT_EQ(1234u, statOf(p).st_uid); }, true},
};

class M_OutputSpanningTest : public M_OutputTest, public ::testing::WithParamInterface<SpanningRow> {};

} // namespace

// A section that spans pages goes into a new file only where that file can
// be the old one in every respect; else in place. Either way the bytes are
// the old ones and the section, and every name of the file sees them. A row
// that needs what the machine lacks (root, extended attributes) is
// skipped, saying which.
TEST_P(M_OutputSpanningTest, ReplacedOnlyWhereTheNewFileIsTheSame)
{
    const SpanningRow& row = GetParam();
    if (row.needsRoot && ::geteuid() != 0)
        GTEST_SKIP() << row.what << ": needs root";
    const std::string path = dir.write("a.c.err", fullLastPage());
    errno = 0;
    if (!row.prepare(dir, path)) {
        const std::string why = std::strerror(errno);
        if (row.feature == nullptr)
            FAIL() << row.what << " cannot be set up: " << why;
        GTEST_SKIP() << row.what << ": the file system takes no " << row.feature << " (" << why << ")";
    }
    const ino_t inode = statOf(path).st_ino;
    const int code = inChild([&] {
        if (row.asOther && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            return 3;
        try {
            M_Output::openAppend(path);
            for (int line = 1; line <= row.lines; ++line)
                sendBaseline(U_Location::create(sourceFile(), line, 3));
            M_Output::close();
        } catch (...) {
            return 1;
        }
        return 0;
    });
    EXPECT_EQ(0, code);
    const std::string section = sectionOfLines(row.lines);
    EXPECT_EQ(toHex(fullLastPage() + section), toHex(dir.read("a.c.err")));
    EXPECT_EQ(row.replaced, statOf(path).st_ino != inode);
    row.check(dir, path);
    if (!row.replaced && row.lines > 1) {
        EXPECT_GT(section.size(), 2 * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE)));
    }
    ::unlink(dir.file("second").c_str());
    ASSERT_EQ(0, ::unlink(path.c_str()));
    EXPECT_EQ(std::vector<std::string>{}, directoryEntries(dir.path()));
}

INSTANTIATE_TEST_SUITE_P(Row, M_OutputSpanningTest, ::testing::ValuesIn(kSpanningRows));

// A name that is a symbolic link stays one, and what it leads to gains the
// section in place, whatever the section's size.
TEST_F(M_OutputTest, AFileBehindALinkGainsTheSectionInPlace)
{
    const U_Location line12 = U_Location::create(sourceFile(), 12, 3);
    ASSERT_EQ(0, ::mkdir(dir.file("store").c_str(), 0755));
    dir.write("store/real", fullLastPage());
    const ino_t inode = statOf(dir.file("store/real")).st_ino;
    ASSERT_EQ(0, ::symlink("store/real", dir.file("b.c.err").c_str()));
    M_Output::openAppend(dir.file("b.c.err"));
    sendBaseline(line12);
    M_Output::close();
    char link[64] = {};
    ASSERT_EQ(10, ::readlink(dir.file("b.c.err").c_str(), link, sizeof link - 1));
    EXPECT_STREQ("store/real", link);
    EXPECT_EQ(toHex(fullLastPage() + kOneSection), toHex(dir.read("store/real")));
    EXPECT_EQ(inode, statOf(dir.file("store/real")).st_ino);
    EXPECT_EQ((std::vector<std::string>{"b.c.err", "store"}), directoryEntries(dir.path()));
    EXPECT_EQ((std::vector<std::string>{"real"}), directoryEntries(dir.file("store")));
}

// A section lands only on the bytes it was made for: the file under the lock
// must begin with exactly the bytes that were read, and only whole sections
// of other runs may follow them. Anything else (bytes lost, a stray byte,
// part of a record, a rewrite, another file) leaves the file as it is, and
// the failure says why. Both ways a section lands are tried: in place (a
// small file) and by a new file (a section that spans pages).
TEST_F(M_OutputTest, SectionLandsOnlyOnTheBytesItWasMadeFor)
{
    const U_Location line12 = U_Location::create(sourceFile(), 12, 3);
    const std::string small = kHeader + kOneSection + kOneSection;
    struct Row {
        const char* what;
        std::function<std::string(const std::string& read)> now;  // the file at close
        bool appended;
        const char* why;  // the start of the failure's text
    };
    const std::vector<Row> rows = {
        {"as it was read", [](const std::string& r) { return r; }, true, ""},
        {"another run's empty section added", [](const std::string& r) { return r + kSectionStart; }, true, ""},
        {"another run's section with a record", [](const std::string& r) { return r + kOneSection; }, true, ""},
        {"cut, header intact", [](const std::string& r) { return r.substr(0, r.size() - 3); }, false,
         "it is shorter than when it was read"},
        {"cut to its header", [](const std::string&) { return kHeader; }, false, "it is shorter"},
        {"one stray byte", [](const std::string& r) { return r + hex("01"); }, false,
         "bytes that are no whole sections follow"},
        {"three bytes of a record", [](const std::string& r) { return r + kOneSection.substr(0, 3); }, false,
         "bytes that are no whole sections follow"},
        {"a section and part of the next", [](const std::string& r) { return r + kSectionStart + hex("04 02"); },
         false, "bytes that are no whole sections follow"},
        {"a record that is no section start", [](const std::string& r) { return r + kOneSection.substr(5); },
         false, "bytes that are no whole sections follow"},
        {"rewritten, larger, by a fresh analysis",
         [](const std::string& r) {
             std::string other = r + kOneSection;
             other[12] ^= 1;
             return other;
         },
         false, "its bytes are no longer those it was read with"},
        {"rewritten, same size",
         [](const std::string& r) {
             std::string other = r;
             other[r.size() - 1] ^= 1;
             return other;
         },
         false, "its bytes are no longer those it was read with"},
    };
    for (const std::string& read : {small, fullLastPage()}) {
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(row.what) + (read == small ? ", in place" : ", by a new file"));
            const std::string path = dir.write("a.c.err", read);
            // Read a while ago: a rewrite now gives the file a time of its
            // own, however coarse the file system's clock.
            const struct timespec earlier[2] = {{1000000000, 0}, {1000000000, 0}};
            ASSERT_EQ(0, ::utimensat(AT_FDCWD, path.c_str(), earlier, 0));
            R_ReadImage image;
            image.bytes = read;
            ASSERT_EQ(0, ::stat(path.c_str(), &image.state));
            image.stable = true;
            M_Output::openAppend(path, platform::FileAt{AT_FDCWD, path}, image);
            sendBaseline(line12);
            const std::string now = row.now(read);
            if (now != read)
                dir.write("a.c.err", now);  // in place, as a program that takes no lock
            if (row.appended) {
                M_Output::close();
                EXPECT_EQ(toHex(now + kOneSection), toHex(dir.read("a.c.err")));
                EXPECT_EQ("", M_Output::lastFailure());
            } else {
                EXPECT_THROW(M_Output::close(), R_WritingException);
                EXPECT_EQ(toHex(now), toHex(dir.read("a.c.err")));
                EXPECT_EQ(0u, M_Output::lastFailure().rfind(row.why, 0)) << M_Output::lastFailure();
            }
        }
    }

    // Another file behind the name (a link flipped to it) with other bytes.
    const std::string mine = dir.write("mine.err", small);
    const std::string theirs = dir.write("theirs.err", kHeader + kOneSection);
    const std::string link = dir.file("a.c.err");
    ::unlink(link.c_str());
    ASSERT_EQ(0, ::symlink(mine.c_str(), link.c_str()));
    R_ReadImage image;
    image.bytes = small;
    ASSERT_EQ(0, ::stat(link.c_str(), &image.state));
    image.stable = true;
    M_Output::openAppend(link, platform::FileAt{AT_FDCWD, link}, image);
    sendBaseline(line12);
    ASSERT_EQ(0, ::unlink(link.c_str()));
    ASSERT_EQ(0, ::symlink(theirs.c_str(), link.c_str()));
    EXPECT_THROW(M_Output::close(), R_WritingException);
    EXPECT_EQ(toHex(small), toHex(dir.read("mine.err")));
    EXPECT_EQ(toHex(kHeader + kOneSection), toHex(dir.read("theirs.err")));
}

TEST_F(M_OutputTest, SectionLandsAfterWhatAnotherRunAppendedMeanwhile)
{
    const U_Location line12 = U_Location::create(sourceFile(), 12, 3);
    const std::string other = hex("01 00 00 00 00 01 00 00 00 00");
    const std::string path = dir.write("a.c.err", kHeader);
    M_Output::openAppend(path);
    sendBaseline(line12);
    // Another run puts its section in while this one works.
    replaceByRename(dir, "a.c.err", kHeader + other);
    M_Output::close();
    EXPECT_EQ(toHex(kHeader + other + kOneSection), toHex(dir.read("a.c.err")));

    // One that holds the lock is waited for, and its new file is the one
    // appended to. The holder replaces the file once this process has it
    // open, then lets go of the lock: the section can only follow its bytes
    // if the close waited.
    dir.write("b.c.err", kHeader);
    int ready[2];
    int opened[2];
    ASSERT_EQ(0, ::pipe(ready));
    ASSERT_EQ(0, ::pipe(opened));
    const pid_t holder = ::fork();
    ASSERT_NE(-1, holder);
    if (holder == 0) {
        const int fd = ::open(dir.file("b.c.err").c_str(), O_RDWR);
        if (fd < 0 || ::flock(fd, LOCK_EX) != 0)
            ::_exit(1);
        char got = 0;
        if (::write(ready[1], "x", 1) != 1 || ::read(opened[0], &got, 1) != 1)
            ::_exit(2);
        replaceByRename(dir, "b.c.err", kHeader + other);
        ::_exit(0);
    }
    ::close(ready[1]);
    ::close(opened[0]);
    char byte = 0;
    ASSERT_EQ(1, ::read(ready[0], &byte, 1));
    ::close(ready[0]);
    M_Output::openAppend(dir.file("b.c.err"));
    sendBaseline(line12);
    ASSERT_EQ(1, ::write(opened[1], "o", 1));
    ::close(opened[1]);
    M_Output::close();
    int status = 0;
    ASSERT_EQ(holder, ::waitpid(holder, &status, 0));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(toHex(kHeader + other + kOneSection), toHex(dir.read("b.c.err")));
}

// The wait for the lock is bounded: a holder that keeps it (any reader may
// take one) is told of after a second, and past the bound the file is left
// as it is and the close fails, saying why.
TEST_F(M_OutputTest, TheWaitForTheLockIsBounded)
{
    const U_Location line12 = U_Location::create(sourceFile(), 12, 3);
    const std::string path = dir.write("a.c.err", kHeader);
    const int reader = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    ASSERT_EQ(0, ::flock(reader, LOCK_SH));
    std::vector<std::string> told;
    M_Output::setLockWaitNotice([&](const std::string& file) { told.push_back(file); });
    ::setenv("VANTREL_LOCK_WAIT_MS", "1300", 1);
    M_Output::openAppend(path);
    ::unsetenv("VANTREL_LOCK_WAIT_MS");
    sendBaseline(line12);
    EXPECT_THROW(M_Output::close(), R_WritingException);
    M_Output::setLockWaitNotice(nullptr);
    EXPECT_EQ(std::vector<std::string>{path}, told);
    EXPECT_EQ("another process held its lock for more than 1300 ms", M_Output::lastFailure());
    EXPECT_EQ(toHex(kHeader), toHex(dir.read("a.c.err")));
    ::close(reader);
}

TEST_F(M_OutputTest, AppendRefusesWhatIsNoLongerAMessageFileAtClose)
{
    const U_Location line12 = U_Location::create(sourceFile(), 12, 3);
    struct Row {
        const char* what;
        std::string now;
    };
    const std::vector<Row> rows = {
        {"another program's text", "not a message file at all"},
        {"cut to its first int", hex("00 93 00 00")},
        {"generation 2", hex("00 77 00 00 00 00 00 00")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string path = dir.write("a.c.err", kHeader);
        M_Output::openAppend(path);
        sendBaseline(line12);
        replaceByRename(dir, "a.c.err", row.now);
        EXPECT_THROW(M_Output::close(), R_WritingException);
        EXPECT_EQ(toHex(row.now), toHex(dir.read("a.c.err")));
    }
    EXPECT_EQ((std::vector<std::string>{"a.c.err"}), directoryEntries(dir.path()));
}

// A directory that takes no new file: the section goes in place, with one
// write, and a write that fails is cut back to the size under the lock. As
// root (who may create files anywhere) the child runs as another user.
TEST_F(M_OutputTest, AppendInPlaceWhereTheDirectoryTakesNoNewFile)
{
    const U_Location line12 = U_Location::create(sourceFile(), 12, 3);
    const bool root = ::geteuid() == 0;
    const uid_t other = 65534;
    ASSERT_EQ(0, ::chmod(dir.path().c_str(), 0755));
    ASSERT_EQ(0, ::mkdir(dir.file("ro").c_str(), 0755));
    const std::string before = kHeader + kOneSection;
    const std::string path = dir.write("ro/a.c.err", before);
    if (root) {
        ASSERT_EQ(0, ::chown(path.c_str(), other, other));
    }
    ASSERT_EQ(0, ::chmod(dir.file("ro").c_str(), 0555));
    const ino_t inode = statOf(path).st_ino;

    for (rlim_t room : {RLIM_INFINITY, rlim_t{10}}) {
        SCOPED_TRACE(room == RLIM_INFINITY ? "no limit" : "room for 10 bytes");
        const std::string expected = dir.read("ro/a.c.err") + (room == RLIM_INFINITY ? kOneSection : "");
        const int code = inChild([&] {
            if (root && (::setgid(other) != 0 || ::setuid(other) != 0))
                return 3;
            std::signal(SIGXFSZ, SIG_IGN);
            if (room != RLIM_INFINITY) {
                const rlimit limit{before.size() + kOneSection.size() + room, RLIM_INFINITY};
                if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
                    return 3;
            }
            try {
                M_Output::openAppend(path);
                sendBaseline(line12);
                M_Output::close();
            } catch (const R_WritingException&) {
                return 1;
            } catch (...) {
                return 2;
            }
            return 0;
        });
        EXPECT_EQ(room == RLIM_INFINITY ? 0 : 1, code) << "0: written, 1: R_WritingException";
        EXPECT_EQ(toHex(expected), toHex(dir.read("ro/a.c.err")));
        EXPECT_EQ(inode, statOf(path).st_ino) << "appended in place";
    }
    EXPECT_EQ((std::vector<std::string>{"a.c.err"}), directoryEntries(dir.file("ro")));
    ::chmod(dir.file("ro").c_str(), 0755);
}

TEST_F(M_OutputTest, AppendRemovesTemporariesOfKilledRunsOncePerDirectory)
{
    const pid_t dead = deadPid();
    const auto ours = [](pid_t pid, int attempt) {
        char name[64];
        std::snprintf(name, sizeof name, ".vantrel-%010d-%02d.tmp", static_cast<int>(pid), attempt);
        return std::string(name);
    };
    ASSERT_EQ(0, ::mkdir(dir.file("out").c_str(), 0755));
    const std::string path = dir.write("out/a.c.err", fullLastPage());
    const std::string deadText = std::to_string(dead);
    for (const std::string& name : {ours(dead, 0), ours(dead, 12), ours(::getpid(), 0),
                                    "a.c.err." + deadText + ".0.tmp", std::string("build.err.20240611.2.tmp")})
        dir.write("out/" + name, "left");

    M_Output::openAppend(path);
    M_Output::close();
    std::vector<std::string> kept = {"a.c.err", ours(::getpid(), 0), "a.c.err." + deadText + ".0.tmp",
                                     "build.err.20240611.2.tmp"};
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(kept, directoryEntries(dir.file("out")));

    // Looked for once per directory and run: a later leftover stays.
    dir.write("out/" + ours(dead, 1), "left");
    M_Output::openAppend(path);
    M_Output::close();
    EXPECT_EQ(5u, directoryEntries(dir.file("out")).size());
    EXPECT_EQ(toHex(fullLastPage() + kSectionStart + kSectionStart), toHex(dir.read("out/a.c.err")));
}
