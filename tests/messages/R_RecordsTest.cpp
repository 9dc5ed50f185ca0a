#include "CurrentOptions.h"
#include "RecordFiles.h"

#include "messages/R_Exceptions.h"
#include "messages/R_IdRecords.h"
#include "messages/R_Records.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace recordtest;

namespace {

U_Filename file(const std::string& name)
{
    return U_Filename("/w/" + name, name);
}

U_Location at(const std::string& name, int line, int column = 0)
{
    return U_Location::create(file(name), line, column);
}

// The body of a new file-name record with id.
std::string newFile(std::uint32_t id, const std::string& name)
{
    return le(id) + counted("/w/" + name) + counted(name);
}

// The body of a location in a.c, line 1, column 0, before its flags.
std::string plainFileBody()
{
    return newFile(0, "a.c") + le(1) + le(0);
}

// A location in x.c with all five parts: included from m.c, a history of one
// element in d.h, HL position h.c:99, instantiated from t.c as T<int>,
// called from c.c.
U_Location allFiveParts()
{
    const U_RefPtr<U_MacroHistory> history = new U_MacroHistory(at("d.h", 7, 3), U_Identifier("MAC"), nullptr);
    return U_Location::create(at("m.c", 2), file("x.c"), 5, 1, history)
        .withHLLoc(file("h.c"), 99)
        .withInstFromLoc(at("t.c", 8, 3), ObjectDisplayName::create("T<int>"))
        .withCalledFromLoc(at("c.c", 20, 4));
}

// Its record from a fresh writer, written out by hand.
const std::string kAllFiveParts = le(0) + newFile(0, "x.c") + le(5) + le(1) + hex("1F") +
                                  le(1) + newFile(1, "m.c") + le(2) + le(0) + hex("00") +             // includer
                                  le(2) + newFile(2, "d.h") + le(7) + le(3) + hex("00") +             // history
                                  le(0) + counted("MAC") + hex("00") +                                //   name, end
                                  newFile(3, "h.c") + le(99) +                                        // HL
                                  le(3) + newFile(4, "t.c") + le(8) + le(3) + hex("00") + counted("T<int>") +
                                  le(4) + newFile(5, "c.c") + le(20) + le(4) + hex("00");             // caller

// Worked layout 1: a new file with one checked diagnostic, 42 at a.c:3:7,
// without its four check bytes.
const std::string kLayout1 = hex("00 93 00 00 00 00 00 00 01 00 00 00 00 08 00 00 00 00 00 00 00 00"
                                 "06 00 00 00 2F 77 2F 61 2E 63 03 00 00 00 61 2E 63"
                                 "03 00 00 00 07 00 00 00 00"
                                 "2A 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00");

// Worked layout 2: an appended section of two moved suppressions, 1234 at
// lines 12 and 40 of s.c, column 5.
std::string suppressionBody(std::uint32_t id, const std::string& fileRecord, std::uint32_t line)
{
    return hex("04 02") + le(id) + fileRecord + le(line) + le(5) + hex("00") + hex("05 00 00 00 42 4C 53 75 70") +
           hex("01 00 00 00") + hex("04 00 00 00 31 32 33 34 04 00 00 00 31 32 33 34") + hex("04") + le(id) +
           hex("00");
}
const std::string kLayout2 = hex("01 00 00 00 00") + suppressionBody(0, newFile(0, "s.c"), 12) +
                             suppressionBody(1, le(0), 40);

U_RefPtr<M_SuppressionRecord> moved(const U_Location& at, const std::string& number)
{
    return new M_SuppressionRecord(2, at, "BLSup", {{number, number}}, at, U_Location());
}

class Records : public ::testing::Test {
protected:
    void SetUp() override { makeCurrentOptions({}); }
    TempDir dir;
};

TEST_F(Records, LocationWithAllFivePartsMatchesItsBytesBothWays)
{
    R_Writer writer("unused");
    const U_Location written = allFiveParts();
    R_writeLocation(writer, written, true);
    R_writeLocation(writer, written, true);  // known: id only
    EXPECT_EQ(toHex(kAllFiveParts + le(0)), toHex(writer.pending()));

    auto reader = readerOf(dir, kAllFiveParts + le(0));
    const U_Location read = R_readLocation(*reader);
    EXPECT_EQ(read, R_readLocation(*reader));
    EXPECT_TRUE(reader->atEnd());
    EXPECT_EQ("/w/x.c", read.fileName().storedFullName());
    EXPECT_EQ(5, read.line());
    EXPECT_EQ(1, read.column());
    ASSERT_TRUE(read.hasInclLoc() && read.hasMacroHist() && read.hasHLLoc() && read.hasInstFromLoc() &&
                read.hasCalledFromLoc());
    EXPECT_EQ("m.c", read.inclLoc().fileName().storedName());
    const U_RefPtr<U_MacroHistory> history = read.macroHistory();
    EXPECT_STREQ("MAC", history->macroName().c_str());
    EXPECT_EQ(7, history->location().line());
    EXPECT_FALSE(history->next());
    EXPECT_EQ("h.c", read.hlFileName().storedName());
    EXPECT_EQ(99, read.hlLine());
    EXPECT_EQ(8, read.instFromLoc().line());
    EXPECT_EQ("T<int>", read.instFromName()->name());
    EXPECT_EQ(20, read.calledFromLoc().line());
    // Each nested location is stored under its own id, before the outer one.
    auto& cache = reader->caches().locations;
    ASSERT_TRUE(cache.has(4));
    EXPECT_EQ(read.inclLoc(), cache.get(1));
    EXPECT_EQ(history->location(), cache.get(2));
    EXPECT_EQ(read, cache.get(0));
}

TEST_F(Records, EntityNamesOfLocationsFollowShowAlias)
{
    class TwoNames : public U_EntityDisplayName {
        std::string name() const override { return "plain"; }
        std::string nameForKind() const override { return "plainK"; }
        std::string aliasName() const override { return "alias"; }
        std::string aliasNameForKind() const override { return "aliasK"; }
        std::string otherName() const override { return "other"; }
    };
    const U_Location loc = at("x.c", 1).withInstFromLoc(at("t.c", 2), new TwoNames);
    for (bool showAlias : {true, false}) {
        SCOPED_TRACE(showAlias);
        R_Writer writer("unused");
        R_writeLocation(writer, loc, showAlias);
        const std::string expected = le(0) + newFile(0, "x.c") + le(1) + le(0) + hex("02") + le(1) +
                                     newFile(1, "t.c") + le(2) + le(0) + hex("00") +
                                     counted(showAlias ? "alias" : "plain");
        EXPECT_EQ(toHex(expected), toHex(writer.pending()));
    }
}

TEST_F(Records, NestedIdsComeBeforeTheirPartsAndAreStoredAfterThem)
{
    // a.c included from b.c included from c.c: ids 0, 1, 2 in that order.
    const U_Location loc = U_Location::create(U_Location::create(at("c.c", 3), file("b.c"), 2, 0), file("a.c"), 1, 0);
    R_Writer writer("unused");
    R_writeLocation(writer, loc, true);
    const std::string expected = le(0) + newFile(0, "a.c") + le(1) + le(0) + hex("01") + le(1) + newFile(1, "b.c") +
                                 le(2) + le(0) + hex("01") + le(2) + newFile(2, "c.c") + le(3) + le(0) + hex("00");
    EXPECT_EQ(toHex(expected), toHex(writer.pending()));
    // Two objects with equal contents are two locations.
    R_writeLocation(writer, at("a.c", 1), true);
    EXPECT_EQ(toHex(le(3) + le(0) + le(1) + le(0) + hex("00")), toHex(writer.pending().substr(expected.size())));
}

TEST_F(Records, MacroHistoryIsAChainOfElementsEndedByZero)
{
    const U_Location one = at("d.h", 1);
    U_RefPtr<U_MacroHistory> chain = new U_MacroHistory(one, U_Identifier("C"), nullptr);
    chain = new U_MacroHistory(one, U_Identifier("B"), chain);
    chain = new U_MacroHistory(at("e.h", 2), U_Identifier("A"), chain);
    R_Writer writer("unused");
    R_writeMacroHistory(writer, chain, true);
    const std::string bytes = le(0) + newFile(0, "e.h") + le(2) + le(0) + hex("00") + le(0) + counted("A") +
                              hex("01") + le(1) + newFile(1, "d.h") + le(1) + le(0) + hex("00") + le(1) +
                              counted("B") + hex("01") + le(1) + le(2) + counted("C") + hex("00");
    EXPECT_EQ(toHex(bytes), toHex(writer.pending()));

    auto reader = readerOf(dir, bytes);
    const U_RefPtr<U_MacroHistory> read = R_readMacroHistory(*reader);
    std::string names;
    for (const U_MacroHistory* e = read.get(); e; e = e->next().get())
        names += std::string(e->macroName().c_str()) + std::to_string(e->location().line());
    EXPECT_EQ("A2B1C1", names);
    EXPECT_EQ(read->next()->location(), read->next()->next()->location());
    EXPECT_TRUE(reader->atEnd());
}

TEST_F(Records, WorkedLayoutOneReadsAndWritesByteForByte)
{
    R_Writer writer("unused");
    writer.writeInt(0x9300);
    writer.writeInt(0);
    writer.writeByte(1);
    writer.writeInt(0);
    writer.writeByte(8);
    const U_RefPtr<M_Diagnostic> d = new M_Diagnostic(42, U_Location::create(U_Filename("/w/a.c", "a.c"), 3, 7));
    R_writeCheckedDiagnostic(writer, d, false);
    ASSERT_EQ(kLayout1.size() + 4, writer.pending().size());
    EXPECT_EQ(toHex(kLayout1), toHex(writer.pending().substr(0, kLayout1.size())));
    std::uint32_t check = 0;
    for (int i = 3; i >= 0; --i)
        check = check << 8 | static_cast<unsigned char>(writer.pending()[kLayout1.size() + i]);
    EXPECT_LT(check ^ 42u, 9999u);

    auto reader = readerOf(dir, kLayout1 + hex("AA BB CC DD"));
    EXPECT_EQ(0x9300u, reader->readInt());
    reader->readInt();
    EXPECT_EQ(1, reader->readByte());
    EXPECT_EQ(0u, reader->readInt());
    EXPECT_EQ(8, reader->readByte());
    const U_RefPtr<M_Diagnostic> read = R_readCheckedDiagnostic(*reader);
    EXPECT_TRUE(reader->atEnd());
    EXPECT_EQ(42, read->number());
    EXPECT_EQ("/w/a.c", read->location().fileName().storedFullName());
    EXPECT_EQ(3, read->location().line());
    EXPECT_EQ(7, read->location().column());
    EXPECT_EQ(0u, read->paramCount());
}

TEST_F(Records, WorkedLayoutTwoReadsAndWritesByteForByte)
{
    R_Writer writer("unused");
    writer.writeByte(1);
    writer.writeInt(0);
    for (int line : {12, 40}) {
        writer.writeByte(4);
        R_writeSuppressionRecord(writer, moved(U_Location::create(file("s.c"), line, 5), "1234"));
    }
    EXPECT_EQ(toHex(kLayout2), toHex(writer.pending()));

    auto reader = readerOf(dir, kLayout2);
    reader->readByte();
    reader->readInt();
    for (int line : {12, 40}) {
        SCOPED_TRACE(line);
        EXPECT_EQ(4, reader->readByte());
        const U_RefPtr<M_SuppressionRecord> record = R_readSuppressionRecord(*reader);
        EXPECT_EQ(2u, record->kind());
        EXPECT_EQ(line, record->location().line());
        EXPECT_EQ(5, record->location().column());
        EXPECT_EQ("BLSup", record->reason());
        EXPECT_EQ((std::vector<M_SuppressionRecord::Range>{{"1234", "1234"}}), record->ranges());
        EXPECT_EQ(record->location(), record->location2());
        EXPECT_FALSE(record->location3().isValid());
    }
    EXPECT_TRUE(reader->atEnd());
}

TEST_F(Records, SuppressionRecordsKeepKindLowByteNegativeNumbersAndThirdLocation)
{
    const U_Location first = at("s.c", 3, 1);
    const U_Location third = at("s.c", 9, 0);
    const U_RefPtr<M_SuppressionRecord> record =
        new M_SuppressionRecord(0x102, first, "", {{"-17", "-17"}, {"5", "1"}}, first, third);
    R_Writer writer("unused");
    R_writeSuppressionRecord(writer, record);
    const std::string bytes = hex("02") + le(0) + newFile(0, "s.c") + le(3) + le(1) + hex("00") + counted("") +
                              le(2) + counted("-17") + counted("-17") + counted("5") + counted("1") + hex("04") +
                              le(0) + hex("01") + le(1) + le(0) + le(9) + le(0) + hex("00");
    EXPECT_EQ(toHex(bytes), toHex(writer.pending()));

    // Any non-zero has-location3 byte is read as 1.
    std::string seven = bytes;
    seven[seven.size() - 18] = 7;
    auto reader = readerOf(dir, seven);
    const U_RefPtr<M_SuppressionRecord> read = R_readSuppressionRecord(*reader);
    EXPECT_EQ(2u, read->kind());
    EXPECT_EQ(record->ranges(), read->ranges());
    ASSERT_TRUE(read->location3().isValid());
    EXPECT_EQ(9, read->location3().line());
}

TEST_F(Records, NullLocationsAreRefusedBeforeAnyByteIsWritten)
{
    const U_Location loc = at("s.c", 1);
    const std::vector<U_RefPtr<M_SuppressionRecord>> refused = {
        new M_SuppressionRecord(2, U_Location(), "BLSup", {}, loc, U_Location()),
        new M_SuppressionRecord(2, loc, "BLSup", {}, U_Location(), U_Location()),
    };
    for (const auto& record : refused) {
        R_Writer writer("unused");
        EXPECT_THROW(R_writeSuppressionRecord(writer, record), R_WritingException);
        EXPECT_EQ("", writer.pending());
    }
    R_Writer writer("unused");
    EXPECT_THROW(R_writeLocation(writer, U_Location(), true), R_WritingException);
    EXPECT_THROW(R_writeDiagnostic(writer, new M_Diagnostic(1), false), R_WritingException);
    EXPECT_EQ("", writer.pending());
}

// A diagnostic with every kind of parameter, and what its record holds.
TEST_F(Records, DiagnosticParametersMatchTheirBytesBothWays)
{
    const U_Location here = at("p.c", 4, 2);
    U_RefPtr<M_Diagnostic> sub = new M_Diagnostic(-3, here);
    sub->addParam("s");
    U_RefPtr<M_Diagnostic> d = new M_Diagnostic(77, here);
    d->setHiddenByUser(true);
    d->setHiddenByPragma(true);  // written only through the suppressed argument
    d->setHasSubMessages(true);
    d->addParam(std::string("t\0u", 3));
    d->addParam(std::vector<std::string>{"a", ""});
    d->addParam(std::vector<U_RefPtr<M_Diagnostic>>{sub});
    R_Writer writer("unused");
    R_writeDiagnostic(writer, d, true);
    const std::string location = le(0) + newFile(0, "p.c") + le(4) + le(2) + hex("00");
    const std::string bytes = location + le(77) + le(3) + le(1) + le(3) +                 // flags 2 + 1
                              hex("01") + counted(std::string("t\0u", 3)) +               // string
                              hex("02") + le(2) + counted("a") + counted("") +            // list
                              hex("04") + le(1) + le(0) + le(static_cast<std::uint32_t>(-3)) + le(0) + le(0) + le(1) +
                              hex("01") + counted("s");                                   // one sub-message
    EXPECT_EQ(toHex(bytes), toHex(writer.pending()));

    // Read back; tag 3 has no data, so the byte after it is the next tag.
    const std::string withUnknownTag = location + le(77) + le(3) + le(1) + le(4) + hex("03") +
                                       bytes.substr(location.size() + 16);
    auto reader = readerOf(dir, withUnknownTag);
    const U_RefPtr<M_Diagnostic> read = R_readDiagnostic(*reader);
    EXPECT_TRUE(reader->atEnd());
    EXPECT_EQ(77, read->number());
    EXPECT_TRUE(read->hiddenByPragma());
    EXPECT_TRUE(read->hiddenByUser());
    EXPECT_TRUE(read->hasSubMessages());
    ASSERT_EQ(3u, read->paramCount());
    EXPECT_EQ(std::string("t\0u", 3), read->param(0)->toString());
    EXPECT_EQ("List={a,}", read->param(1)->toString());
    EXPECT_EQ("MsgList={/w/p.c:4:2: Msg=-3 #params=1 {s}}", read->param(2)->toString());
    EXPECT_EQ(read->location(),
              static_cast<M_ParamMsgListType*>(read->param(2))->messages()[0]->location());
}

TEST_F(Records, EntityParametersAreWrittenAsTextsOfTheirKindAndAlias)
{
    class Names : public U_EntityDisplayName {
        std::string name() const override { return "n"; }
        std::string nameForKind() const override { return "nk"; }
        std::string aliasName() const override { return std::string("a\0z", 3); }
        std::string aliasNameForKind() const override { return "ak"; }
        std::string otherName() const override { return "o"; }
    };
    struct Row {
        bool showAlias;
        std::uint8_t kind;
        std::string text;
    };
    const std::vector<Row> rows = {{true, 0, "a"}, {true, 3, "ak"}, {false, 0, "n"}, {false, 3, "nk"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        makeCurrentOptions({}, row.showAlias);
        M_ParamEntityType entity(new Names, row.kind);
        R_Writer writer("unused");
        R_writeParam(entity, writer);
        EXPECT_EQ(toHex(hex("01") + counted(row.text)), toHex(writer.pending()));
    }
}

// A location chain of depth levels: each location includes the next.
std::string includeChain(int depth)
{
    std::string bytes;
    for (int id = 0; id < depth; ++id) {
        bytes += le(static_cast<std::uint32_t>(id));
        bytes += id == 0 ? newFile(0, "n.c") : le(0);
        bytes += le(static_cast<std::uint32_t>(id)) + le(0);
        bytes += id + 1 < depth ? hex("01") : hex("00");
    }
    return bytes;
}

// Diagnostics nested depth deep through message lists.
std::string messageListChain(int depth)
{
    std::string bytes;
    for (int level = 0; level < depth; ++level) {
        bytes += level == 0 ? le(0) + newFile(0, "n.c") + le(1) + le(0) + hex("00") : le(0);
        bytes += le(static_cast<std::uint32_t>(level)) + le(0) + le(0);
        bytes += level + 1 < depth ? le(1) + hex("04") + le(1) : le(0);
    }
    return bytes;
}

TEST_F(Records, NestingUpToTheCapIsReadAndBeyondIsAReadingError)
{
    {
        auto reader = readerOf(dir, includeChain(4096));
        U_Location loc = R_readLocation(*reader);
        int depth = 1;
        while (loc.hasInclLoc()) {
            loc = loc.inclLoc();
            ++depth;
        }
        EXPECT_EQ(4096, depth);
        EXPECT_TRUE(reader->atEnd());
    }
    {
        auto reader = readerOf(dir, messageListChain(4096));
        U_RefPtr<M_Diagnostic> d = R_readDiagnostic(*reader);
        EXPECT_TRUE(reader->atEnd());
        EXPECT_EQ(0, d->number());
    }
    for (int depth : {4097, 1000000}) {
        SCOPED_TRACE(depth);
        auto locations = readerOf(dir, includeChain(depth), "locations.err");
        EXPECT_THROW(R_readLocation(*locations), R_ReadingReadException);
        auto messages = readerOf(dir, messageListChain(depth), "messages.err");
        EXPECT_THROW(R_readDiagnostic(*messages), R_ReadingReadException);
    }
}

TEST_F(Records, AMillionMacroHistoryElementsAreReadInALoop)
{
    const int length = 1000000;
    std::string bytes;
    for (int i = 0; i < length; ++i) {
        bytes += le(static_cast<std::uint32_t>(i));
        bytes += i == 0 ? newFile(0, "m.h") : le(0);
        bytes += le(static_cast<std::uint32_t>(i)) + le(0) + hex("00");
        bytes += i == 0 ? le(0) + counted("M") : le(0);
        bytes += i + 1 < length ? hex("01") : hex("00");
    }
    auto reader = readerOf(dir, bytes);
    U_RefPtr<U_MacroHistory> history = R_readMacroHistory(*reader);
    EXPECT_TRUE(reader->atEnd());
    int count = 0;
    for (const U_MacroHistory* e = history.get(); e; e = e->next().get())
        ++count;
    EXPECT_EQ(length, count);
    reader.reset();
    history.release();
}

// Every kind of damage is a reading error: never a crash, a hang or a huge
// allocation.
TEST_F(Records, DamagedRecordsAreReadingErrors)
{
    const auto location = [](R_Reader& r) { R_readLocation(r); };
    const auto diagnostic = [](R_Reader& r) { R_readDiagnostic(r); };
    const auto suppression = [](R_Reader& r) { R_readSuppressionRecord(r); };
    const std::string plainBody = plainFileBody();
    struct Row {
        const char* what;
        std::string bytes;
        std::function<void(R_Reader&)> read;
    };
    const std::vector<Row> rows = {
        {"first location id skips", le(1) + plainBody + hex("00"), location},
        {"negative location id", le(static_cast<std::uint32_t>(-1)) + plainBody + hex("00"), location},
        {"location includes itself (its slot is still empty)", le(0) + plainBody + hex("01") + le(0), location},
        {"includer refers to its parent's empty slot",
         le(0) + plainBody + hex("01") + le(1) + le(0) + le(2) + le(0) + hex("01") + le(0), location},
        {"location id beyond the next new one after a known one",
         le(0) + plainBody + hex("01") + le(1) + le(0) + le(2) + le(0) + hex("01") + le(5), location},
        {"location body with a file name of length 0x7FFFFFFF", le(0) + le(0) + hex("FF FF FF 7F") + "abc", location},
        {"negative string-list count",
         le(0) + plainBody + hex("00") + le(1) + le(0) + le(0) + le(1) + hex("02") + le(static_cast<std::uint32_t>(-1)),
         diagnostic},
        {"string-list count 0x7FFFFFFF in a small file",
         le(0) + plainBody + hex("00") + le(1) + le(0) + le(0) + le(1) + hex("02 FF FF FF 7F") + counted("x"),
         diagnostic},
        {"parameter count larger than the parameters", le(0) + plainBody + hex("00") + le(1) + le(0) + le(0) +
                                                            hex("FF FF FF 7F 03 03 03"), diagnostic},
        {"message-list count larger than the messages",
         le(0) + plainBody + hex("00") + le(1) + le(0) + le(0) + le(1) + hex("04 FF FF FF 7F") + le(0), diagnostic},
        {"range count taken as unsigned",
         hex("02") + le(0) + plainBody + hex("00") + counted("BLSup") + hex("FF FF FF FF") + counted("1"),
         suppression},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        auto reader = readerOf(dir, row.bytes);
        EXPECT_THROW(row.read(*reader), R_ReadingReadException);
    }
}

TEST_F(Records, EveryCutOfARecordIsAReadingError)
{
    const auto checked = [](R_Reader& r) { R_readCheckedDiagnostic(r); };
    const auto suppressions = [](R_Reader& r) {
        r.readByte();
        r.readInt();
        for (int i = 0; i < 2; ++i) {
            r.readByte();
            R_readSuppressionRecord(r);
        }
    };
    R_Writer params("unused");
    U_RefPtr<M_Diagnostic> d = new M_Diagnostic(1, allFiveParts());
    d->addParam("text");
    d->addParam(std::vector<std::string>{"l"});
    d->addParam(std::vector<U_RefPtr<M_Diagnostic>>{new M_Diagnostic(2, at("q.c", 1))});
    R_writeCheckedDiagnostic(params, d, false);
    struct Row {
        const char* what;
        std::string bytes;
        std::function<void(R_Reader&)> read;
    };
    const std::vector<Row> rows = {
        {"location with all five parts", kAllFiveParts, [](R_Reader& r) { R_readLocation(r); }},
        {"checked diagnostic of layout 1", kLayout1.substr(14) + le(0), checked},
        {"suppressions of layout 2", kLayout2, suppressions},
        {"diagnostic with parameters", params.pending(), checked},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        for (std::size_t cut = 0; cut < row.bytes.size(); ++cut) {
            SCOPED_TRACE(cut);
            auto reader = readerOf(dir, row.bytes.substr(0, cut));
            EXPECT_THROW(row.read(*reader), R_ReadingReadException);
        }
        auto whole = readerOf(dir, row.bytes);
        row.read(*whole);
        EXPECT_TRUE(whole->atEnd());
    }
}

TEST_F(Records, ASectionStartPayloadBeyondTheFileIsRefusedBeforeItIsRead)
{
    auto reader = readerOf(dir, hex("01 FF FF FF 7F 00 00"));
    reader->readByte();
    EXPECT_THROW(reader->requireBytes(reader->readSignedInt()), R_ReadingReadException);
    auto fits = readerOf(dir, hex("01 02 00 00 00 AA BB"));
    fits->readByte();
    fits->requireBytes(fits->readSignedInt());
}

TEST_F(Records, UnusedFlagBitsAreIgnoredAndSectionsStartIdsAgain)
{
    auto reader = readerOf(dir, le(0) + plainFileBody() + hex("E0") + le(0) + plainFileBody() + hex("00"));
    const U_Location first = R_readLocation(*reader);
    EXPECT_FALSE(first.hasInclLoc() || first.hasMacroHist() || first.hasHLLoc() || first.hasInstFromLoc() ||
                 first.hasCalledFromLoc());
    reader->clearCaches();
    const U_Location second = R_readLocation(*reader);
    EXPECT_NE(first, second);
    EXPECT_TRUE(reader->atEnd());
}

} // namespace
