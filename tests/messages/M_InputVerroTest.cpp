#include "CurrentOptions.h"
#include "RecordFiles.h"
#include "encoding/ProductEnvironment.h"
#include "messages/M_Diagnostic.h"
#include "messages/M_ErrorFileException.h"
#include "messages/M_InputVerro.h"
#include "messages/M_ParamType.h"
#include "messages/M_SuppressionRecord.h"
#include "messages/R_Exceptions.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include <sys/stat.h>

using recordtest::counted;
using recordtest::hex;
using recordtest::le;

namespace {

const std::string kHeader9300 = hex("00 93 00 00 00 00 00 00");

// Worked layout 1 after its header: a section start and one checked
// diagnostic, message 42 at line 3, column 7 of /w/a.c (given as a.c).
const std::string kLayout1Records = hex(
    "01 00 00 00 00"
    " 08"
    " 00 00 00 00"
    " 00 00 00 00 06 00 00 00 2F 77 2F 61 2E 63 03 00 00 00 61 2E 63"
    " 03 00 00 00 07 00 00 00 00"
    " 2A 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"
    " 5B 1F 00 00");

std::string place(const U_Location& loc)
{
    if (!loc)
        return "-";
    std::string text = loc.fileName().fullName() + ":" + std::to_string(loc.line()) + ":" + std::to_string(loc.column());
    if (loc.hasInclLoc())
        text += "<" + place(loc.inclLoc());
    return text;
}

// "number@place [param|param] flags" where flags are P (hidden by a pragma),
// U (by the user) and S (has sub-messages).
std::string describe(const M_Diagnostic& d)
{
    std::string text = std::to_string(d.number()) + "@" + place(d.location()) + " [";
    for (std::uint64_t i = 0; i < d.paramCount(); ++i)
        text += (i ? "|" : "") + d.param(static_cast<std::int32_t>(i))->toString();
    text += "]";
    if (d.hiddenByPragma())
        text += " P";
    if (d.hiddenByUser())
        text += " U";
    if (d.hasSubMessages())
        text += " S";
    return text;
}

std::vector<std::string> diagnostics(const M_InputVerro& input)
{
    std::vector<std::string> out;
    for (auto it = input.diagnosticsBegin(); it != input.diagnosticsEnd(); ++it)
        out.push_back(describe(**it));
    return out;
}

// Generation-2 record helpers: ints and counted strings in file order.
std::string ints(std::initializer_list<std::int32_t> values)
{
    std::string bytes;
    for (std::int32_t v : values)
        bytes += le(static_cast<std::uint32_t>(v));
    return bytes;
}

class M_InputVerroTest : public ::testing::Test {
protected:
    // Reads bytes as the message file of /p/main.c; the standard-error output
    // of the read lands in printed.
    U_RefPtr<M_InputVerro> read(const std::string& bytes)
    {
        U_RefPtr<M_InputVerro> input = new M_InputVerro;
        input->setFileName("/p/main.c");
        const std::string path = dir.write("main.c.err", bytes);
        testing::internal::CaptureStderr();
        try {
            input->open(path);
        } catch (...) {
            printed = testing::internal::GetCapturedStderr();
            throw;
        }
        printed = testing::internal::GetCapturedStderr();
        return input;
    }

    ProductEnvironment pe;
    TempDir dir;
    std::string printed;
};

} // namespace

TEST_F(M_InputVerroTest, EveryGenerationThreeIdReadsTheSameRecords)
{
    for (std::uint32_t id : {0x8100u, 0x8200u, 0x9100u, 0x9200u, 0x9300u}) {
        SCOPED_TRACE(id);
        const auto input = read(le(id) + le(0) + kLayout1Records);
        EXPECT_EQ(3, input->generation());
        EXPECT_EQ(id, input->formatId());
        EXPECT_EQ(std::vector<std::string>{"42@/w/a.c:3:7 []"}, diagnostics(*input));
        EXPECT_EQ("a.c", (*input->diagnosticsBegin())->location().fileName().name());
        EXPECT_EQ("", printed);
    }
}

TEST_F(M_InputVerroTest, GenerationThreeRecords)
{
    const std::string fileA = hex("00 00 00 00 06 00 00 00 2F 77 2F 61 2E 63 03 00 00 00 61 2E 63");  // id 0, /w/a.c
    const std::string fileB = hex("00 00 00 00 06 00 00 00 2F 77 2F 62 2E 63 03 00 00 00 62 2E 63");  // id 0, /w/b.c
    struct Row {
        const char* what;
        std::string records;
        std::vector<std::string> expected;
        std::size_t suppressions;
    };
    const std::vector<Row> rows = {
        {"header alone", "", {}, 0},
        {"a section start with a payload of 3 bytes",
         hex("01 03 00 00 00 FF 02 08") + hex("02 00 00 00 00") + fileA + hex("01 00 00 00 00 00 00 00 00") +
             ints({9, 3, 1, 3}) + hex("01") + counted("txt") + hex("03") + hex("02") + ints({2}) + counted("x") +
             counted("y"),
         {"9@/w/a.c:1:0 [txt|List={x,y}] P U S"}, 0},
        {"a second section reuses id 0 for another file",
         hex("01 00 00 00 00 02 00 00 00 00") + fileA + ints({1, 1}) + hex("00") + ints({5, 0, 0, 0}) +
             hex("01 00 00 00 00 02 00 00 00 00") + fileB + ints({2, 2}) + hex("00") + ints({6, 0, 0, 0}) +
             hex("02 00 00 00 00") + ints({7, 0, 0, 0}),
         {"5@/w/a.c:1:1 []", "6@/w/b.c:2:2 []", "7@/w/b.c:2:2 []"}, 0},
        {"worked layout 2: two suppression records",
         hex("01 00 00 00 00") +
             hex("04 02 00 00 00 00") + fileA + hex("0C 00 00 00 03 00 00 00 00") + counted("BLSup") + ints({1}) +
             counted("1234") + counted("1234") + hex("04 00 00 00 00 00") +
             hex("04 02 01 00 00 00 00 00 00 00 28 00 00 00 05 00 00 00 00") + counted("BLSup") + ints({1}) +
             counted("1234") + counted("1234") + hex("04 01 00 00 00 07") + hex("00 00 00 00"),
         {}, 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const auto input = read(kHeader9300 + row.records);
        EXPECT_EQ(row.expected, diagnostics(*input));
        EXPECT_EQ(row.suppressions,
                  static_cast<std::size_t>(input->suppressionsEnd() - input->suppressionsBegin()));
    }

    // The records of worked layout 2, field by field; the second one's third
    // place comes from a has-location3 byte of 7.
    const auto input = read(kHeader9300 + rows.back().records);
    ASSERT_EQ(2, input->suppressionsEnd() - input->suppressionsBegin());
    const M_SuppressionRecord& first = **input->suppressionsBegin();
    const M_SuppressionRecord& second = **(input->suppressionsBegin() + 1);
    EXPECT_EQ(2u, first.kind());
    EXPECT_EQ("/w/a.c:12:3", place(first.location()));
    EXPECT_EQ("BLSup", first.reason());
    EXPECT_EQ((std::vector<M_SuppressionRecord::Range>{{"1234", "1234"}}), first.ranges());
    EXPECT_EQ(first.location(), first.location2());
    EXPECT_FALSE(first.location3());
    EXPECT_EQ("/w/a.c:40:5", place(second.location()));
    EXPECT_EQ(second.location(), second.location2());
    EXPECT_EQ(first.location(), second.location3());
}

TEST_F(M_InputVerroTest, GenerationTwoRecords)
{
    const std::string nul(1, '\0');
    struct Row {
        const char* what;
        std::string records;
        std::vector<std::string> expected;
    };
    const std::vector<Row> rows = {
        {"plain, not included", ints({0, 10, -1, 4, 77}) + counted("text" + nul), {"77@/p/main.c:10:5 [text]"}},
        {"plain, included from the primary file", ints({0, 10, 2, 4, 77}) + counted("t"),
         {"77@/p/main.c:10:5</p/main.c:2:0 [t]"}},
        {"a text of one NUL adds no parameter", ints({0, 1, -1, 0, 5}) + counted(nul), {"5@/p/main.c:1:1 []"}},
        {"only one trailing NUL is dropped", ints({0, 1, -1, 0, 5}) + counted("a" + nul + nul),
         {"5@/p/main.c:1:1 [a" + nul + "]"}},
        {"flagged", ints({2, 3, -1, 0, 8, 1}) + counted("") + ints({2, 3, -1, 0, 9, 2}) + counted("") +
                        ints({2, 3, -1, 0, 10, 3}) + counted(""),
         {"8@/p/main.c:3:1 [] P", "9@/p/main.c:3:1 [] U", "10@/p/main.c:3:1 [] P U"}},
        {"list: the lines change roles", ints({3, 10, 2, 4, 6, 0, 1, 3}) + counted("a") + counted("") +
                                             counted("c" + nul) + ints({0}),
         {"6@/p/main.c:2:5</p/main.c:10:0 [a||c] S"}},
        {"list without include", ints({3, 10, -1, 4, 6, 2, 0, 0, 0}), {"6@/p/main.c:10:5 [] U"}},
        {"file change", ints({1}) + counted("\\inc\\h.h" + nul) + ints({0, 4, 9, 0, 3}) + counted("") +
                            ints({0, 5, -1, 0, 3}) + counted(""),
         {"3@/inc/h.h:4:1</p/main.c:9:0 []", "3@/inc/h.h:5:1 []"}},
        {"column INT_MAX wraps", ints({0, 1, -1, INT_MAX, 4}) + counted(""),
         {"4@/p/main.c:1:" + std::to_string(INT_MIN) + " []"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        for (std::uint32_t id : {0x7700u, 0x7800u, 0x7900u}) {
            SCOPED_TRACE(id);
            const auto input = read(le(id) + le(0) + row.records);
            EXPECT_EQ(2, input->generation());
            EXPECT_EQ(id, input->formatId());
            EXPECT_EQ(row.expected, diagnostics(*input));
        }
    }
}

TEST_F(M_InputVerroTest, LongRunsOfFileChangesAreReadInALoop)
{
    std::string records;
    for (int i = 0; i < 100000; ++i)
        records += ints({1}) + counted("/f" + std::to_string(i % 3) + ".c");
    records += ints({0, 1, -1, 0, 1}) + counted("");
    const auto input = read(le(0x7700) + le(0) + records);
    EXPECT_EQ(std::vector<std::string>{"1@/f0.c:1:1 []"}, diagnostics(*input));
}

TEST_F(M_InputVerroTest, ShortFiles)
{
    struct Row {
        const char* what;
        std::string bytes;
        std::int32_t generation;
        std::uint32_t formatId;
        bool cut;  // R_ReadingReadException from the second header word
    };
    const std::vector<Row> rows = {
        {"empty", "", 5, 0, false},
        {"three bytes", hex("00 93 00"), 5, 0, false},
        {"four bytes", hex("00 93 00 00"), 3, 0x9300, true},
        {"seven bytes", hex("00 77 00 00 00 00 00"), 2, 0x7700, true},
        {"eight bytes", kHeader9300, 3, 0x9300, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        U_RefPtr<M_InputVerro> input = new M_InputVerro;
        const std::string path = dir.write("s.err", row.bytes);
        testing::internal::CaptureStderr();
        if (row.cut)
            EXPECT_THROW(input->open(path), R_ReadingReadException);
        else
            EXPECT_NO_THROW(input->open(path));
        EXPECT_EQ("", testing::internal::GetCapturedStderr());
        EXPECT_EQ(row.generation, input->generation());
        EXPECT_EQ(row.formatId, input->formatId());
        EXPECT_EQ(input->diagnosticsBegin(), input->diagnosticsEnd());
    }
}

TEST_F(M_InputVerroTest, FilesThatCannotBeOpened)
{
    ASSERT_EQ(0, ::mkdir(dir.file("dir.err").c_str(), 0755));
    ASSERT_EQ(0, ::mkfifo(dir.file("fifo.err").c_str(), 0600));
    for (const char* name : {"missing.err", "dir.err", "fifo.err"}) {
        SCOPED_TRACE(name);
        M_InputVerro input;
        try {
            input.open(dir.file(name));
            ADD_FAILURE() << "opened";
        } catch (const M_BadFileOpenException& e) {
            EXPECT_EQ("Cannot write error file '" + dir.file(name) + "'.", std::string(e.what()));
        }
        EXPECT_EQ(5, input.generation());
    }
}

TEST_F(M_InputVerroTest, DamagedFiles)
{
    // What standard error shows: nothing, the two report lines of a reading
    // error, or the line of an unknown format id.
    enum Printed { kNothing, kReport, kUnknownId };
    const std::string reportPrefix = "caught a R_ReadingException in getNextMessage().\n  reason: ";
    struct Row {
        const char* what;
        std::string bytes;
        std::function<void(const std::exception&)> check;  // the exception's type and text
        Printed printed;
        std::vector<std::string> kept;
    };
    auto expectText = [](const char* text) {
        return [text](const std::exception& e) { EXPECT_EQ(std::string(text), e.what()); };
    };
    auto readingError = [](const std::exception& e) {
        EXPECT_NE(nullptr, dynamic_cast<const R_ReadingReadException*>(&e)) << e.what();
        EXPECT_EQ(0u, std::string(e.what()).rfind("Problems reading binary file. errno (", 0)) << e.what();
    };
    const std::vector<Row> rows = {
        {"unknown format id", hex("34 12 00 00 00 00 00 00") + kLayout1Records,
         expectText("Error file has incorrect version: 1234. Expected: 9300\n"), kUnknownId, {}},
        {"last record cut", kHeader9300 + kLayout1Records + kLayout1Records.substr(0, 40), readingError, kReport,
         {"42@/w/a.c:3:7 []"}},
        {"unknown record type", kHeader9300 + kLayout1Records + hex("03"),
         expectText("unknown error record type in error file"), kNothing, {"42@/w/a.c:3:7 []"}},
        {"unknown generation-2 type", le(0x7800) + le(0) + ints({5}),
         expectText("unknown error record type in error file"), kNothing, {}},
        {"generation-2 list parameter", le(0x7800) + le(0) + ints({3, 1, -1, 0, 6, 0, 0, 0, 1}),
         expectText("error file has string list parameter"), kNothing, {}},
        {"generation-2 file change last", le(0x7900) + le(0) + ints({0, 1, -1, 0, 5}) + counted("") + ints({1}) +
                                              counted("/x.c"),
         readingError, kReport, {"5@/p/main.c:1:1 []"}},
        {"section payload beyond the file", kHeader9300 + hex("01 FF FF 00 00 00"), readingError, kReport, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        U_RefPtr<M_InputVerro> input = new M_InputVerro;
        input->setFileName("/p/main.c");
        const std::string path = dir.write("d.err", row.bytes);
        testing::internal::CaptureStderr();
        std::string text;
        try {
            input->open(path);
            ADD_FAILURE() << "read without failure";
        } catch (const std::exception& e) {
            row.check(e);
            text = e.what();
        }
        const std::string stderrText = testing::internal::GetCapturedStderr();
        const std::string expectedPrinted[] = {"", reportPrefix + text + "\n",
                                               "Unknown error file format: id=1234\n"};
        EXPECT_EQ(expectedPrinted[row.printed], stderrText);
        EXPECT_EQ(row.kept, diagnostics(*input));
    }
    // The id was shown in hexadecimal without leaving the stream so.
    EXPECT_EQ(std::ios::dec, std::cerr.flags() & std::ios::basefield);
}

// What may follow the bytes a section was made for: nothing, or whole
// generation-3 sections, each beginning with a section start and ending
// with its last record's last byte; never part of one.
TEST_F(M_InputVerroTest, WholeSectionsAreToldFromAnythingElse)
{
    const std::string sectionStart = hex("01 00 00 00 00");
    struct Row {
        const char* what;
        std::string bytes;
        bool whole;
    };
    const std::vector<Row> rows = {
        {"nothing", "", true},
        {"an empty section", sectionStart, true},
        {"a section with a record", kLayout1Records, true},
        {"two sections", kLayout1Records + sectionStart, true},
        {"a section start with a payload", hex("01 02 00 00 00 AA BB"), true},
        {"one stray byte", hex("01"), false},
        {"part of a section start", hex("01 00 00"), false},
        {"a section and part of a record", sectionStart + kLayout1Records.substr(5, 7), false},
        {"a record without a section start", kLayout1Records.substr(5), false},
        {"an unknown record type", sectionStart + hex("63"), false},
        {"a header", kHeader9300, false},
    };
    for (const Row& r : rows)
        EXPECT_EQ(r.whole, M_InputVerro::holdsWholeSections(r.bytes.data(), r.bytes.size())) << r.what;
}

// The reader keeps the file as it read it: its bytes, and its state then,
// which stands for those bytes.
TEST_F(M_InputVerroTest, KeepsTheImageOfTheFileItRead)
{
    const std::string bytes = kHeader9300 + kLayout1Records;
    const std::string path = dir.write("a.c.err", bytes);
    U_RefPtr<M_InputVerro> reader(new M_InputVerro());
    reader->open(path);
    EXPECT_EQ(bytes.size(), reader->sizeRead());
    const R_ReadImage image = reader->takeImage();
    EXPECT_EQ(bytes, image.bytes);
    EXPECT_TRUE(image.stable);
    struct stat now {};
    ASSERT_EQ(0, ::stat(path.c_str(), &now));
    EXPECT_TRUE(platform::sameFileState(image.state, now));
}

using M_InputVerroDeathTest = M_InputVerroTest;

// Under "sort-messages" the sub-messages of a message list come out in the
// order of their files' full names, every byte of them, a NUL too, whichever
// order the file holds them in. The flag is asked once per process, so the
// cases run in a process started afresh.
TEST_F(M_InputVerroDeathTest, SortedSubMessagesFollowEveryByteOfTheirNames)
{
    const std::string style = GTEST_FLAG_GET(death_test_style);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::string nul(1, '\0');
    // Name pairs, the first one first in the order.
    const std::vector<std::pair<std::string, std::string>> pairs = {
        {"/p/x" + nul + "a", "/p/x" + nul + "b"},
        {"/p/x", "/p/x" + nul + "a"},
        {"/p/x" + nul + "z", "/p/xa"},
    };
    // A sub-message with new location and file-name ids: number at line 1,
    // column 1 of full.
    const auto sub = [](std::int32_t id, const std::string& full, std::int32_t number) {
        return ints({id, id}) + counted(full) + counted("x") + ints({1, 1}) + hex("00") + ints({number, 0, 0, 0});
    };
    // A section with one diagnostic in /p/main.c whose one parameter is a
    // message list of message 5 in first and message 6 in second.
    const auto file = [&sub](const std::string& first, const std::string& second, bool firstFirst) {
        return kHeader9300 + hex("01 00 00 00 00") + hex("02") + ints({0, 0}) + counted("/p/main.c") +
               counted("main.c") + ints({1, 1}) + hex("00") + ints({1, 0, 1, 1}) + hex("04") + ints({2}) +
               (firstFirst ? sub(1, first, 5) + sub(2, second, 6) : sub(1, second, 6) + sub(2, first, 5));
    };
    const auto run = [&] {
        pe.env.set("ZXCBIN", pe.bin.path());
        recordtest::makeCurrentOptions({"sort-messages"});
        bool sorted = true;
        for (const auto& pair : pairs) {
            for (bool firstFirst : {true, false}) {
                const auto input = read(file(pair.first, pair.second, firstFirst));
                const M_Diagnostic& d = **input->diagnosticsBegin();
                const auto& list = static_cast<M_ParamMsgListType*>(d.param(0))->messages();
                const bool ok = list.size() == 2 && list[0]->number() == 5 && list[1]->number() == 6 &&
                                list[0]->location().fileName().storedFullName() == pair.first &&
                                list[1]->location().fileName().storedFullName() == pair.second;
                if (!ok)
                    std::cerr << "pair " << (&pair - pairs.data()) << (firstFirst ? " as given" : " reversed")
                              << ": not in order\n";
                sorted = sorted && ok;
            }
        }
        std::exit(sorted ? 0 : 1);
    };
    EXPECT_EXIT(run(), ::testing::ExitedWithCode(0), "");
    GTEST_FLAG_SET(death_test_style, style);
}
