// A channel appends one section to a message file at its close, or writes
// a new file; what is sent without a channel, or to a file it would spoil,
// never reaches a file.

#include "OutputFixture.h"
#include "cmdline/C_CmdArgs.h"
#include "cmdline/C_Options.h"
#include "messages/M_Diagnostic.h"
#include "messages/M_ErrorFileException.h"
#include "messages/M_MessageFilter.h"
#include "messages/M_OutputVerro2.h"
#include "messages/R_Exceptions.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace outputtest;

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
