#include "RecordFiles.h"

#include "messages/M_SuppressionRecord.h"
#include "messages/R_Exceptions.h"
#include "messages/R_IdRecords.h"
#include "messages/R_Writer.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <string>
#include <vector>

#include <csignal>
#include <cstdlib>
#include <fstream>

#include <sys/resource.h>
#include <sys/stat.h>

using namespace recordtest;

namespace {

struct WriteCase {
    const char* what;
    std::function<void(R_Writer&)> write;
    std::string bytes;
};

TEST(RecordPrimitives, WriterEncodesPrimitivesLittleEndianAndCounted)
{
    const std::vector<WriteCase> cases = {
        {"byte", [](R_Writer& w) { w.writeByte(0x7F); }, hex("7F")},
        {"int", [](R_Writer& w) { w.writeInt(0x9300); }, hex("00 93 00 00")},
        {"negative int", [](R_Writer& w) { w.writeInt(static_cast<std::uint32_t>(-2)); }, hex("FE FF FF FF")},
        {"empty string", [](R_Writer& w) { w.writeString(""); }, hex("00 00 00 00")},
        {"string with NUL", [](R_Writer& w) { w.writeString(std::string("a\0b", 3)); }, hex("03 00 00 00 61 00 62")},
        {"C string stops at NUL", [](R_Writer& w) { w.writeCString("abc\0def"); }, hex("03 00 00 00 61 62 63")},
        {"raw of 0 bytes", [](R_Writer& w) { w.writeRaw("x", 0); }, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        R_Writer writer("unused");
        c.write(writer);
        EXPECT_EQ(toHex(c.bytes), toHex(writer.pending()));
    }
}

TEST(RecordPrimitives, ReaderReadsBackWhatTheWriterEncodes)
{
    TempDir dir;
    const std::string bytes = hex("7F 00 93 00 00 FE FF FF FF 00 00 00 00 03 00 00 00 61 00 62") + counted(std::string(100, 'x'));
    auto reader = readerOf(dir, bytes);
    EXPECT_FALSE(reader->atEnd());
    EXPECT_EQ(0x7F, reader->readByte());
    EXPECT_EQ(0x9300u, reader->readInt());
    EXPECT_EQ(-2, reader->readSignedInt());
    EXPECT_EQ("", R_readString(*reader));
    EXPECT_EQ(std::string("a\0b", 3), R_readString(*reader));
    EXPECT_EQ(std::string(100, 'x'), R_readString(*reader));
    EXPECT_TRUE(reader->atEnd());
}

TEST(RecordPrimitives, EndTestReadsOneByteAheadAndKeepsIt)
{
    TempDir dir;
    auto empty = readerOf(dir, "", "empty.err");
    EXPECT_TRUE(empty->atEnd());

    auto reader = readerOf(dir, hex("11 22 33 44 55 66 77"));
    EXPECT_FALSE(reader->atEnd());
    EXPECT_FALSE(reader->atEnd());  // the same byte, still held
    EXPECT_EQ(0x44332211u, reader->readInt());
    EXPECT_FALSE(reader->atEnd());
    EXPECT_THROW(reader->readInt(), R_ReadingReadException);  // three bytes left
    EXPECT_TRUE(reader->atEnd());
}

TEST(RecordPrimitives, ReaderOpensOnlyRegularFilesAndKeepsTheOpenErrno)
{
    TempDir dir;
    ASSERT_EQ(0, ::mkfifo(dir.file("fifo").c_str(), 0600));
    ASSERT_EQ(0, ::mkdir(dir.file("sub").c_str(), 0700));
    struct Row {
        std::string path;
        int error;
    };
    const std::vector<Row> rows = {
        {dir.file("missing.err"), ENOENT},
        {dir.file("sub"), EINVAL},
        {dir.file("fifo"), EINVAL},  // refused at once, not waited on
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path);
        R_Reader reader(row.path);
        EXPECT_FALSE(reader.open());
        EXPECT_EQ(row.error, reader.openErrno());
    }
}

TEST(RecordPrimitives, WriterReachesTheFileOnlyAtCloseAndOnlyOnce)
{
    TempDir dir;
    dir.write("a.err", "OLD");
    {
        R_Writer writer(dir.file("a.err"));
        ASSERT_TRUE(writer.openAppend());
        writer.writeInt(1);
        EXPECT_EQ("OLD", dir.read("a.err"));
        // Dropped without close: an interrupted section leaves no trace.
    }
    EXPECT_EQ("OLD", dir.read("a.err"));

    R_Writer writer(dir.file("a.err"));
    ASSERT_TRUE(writer.openAppend());
    writer.writeByte(1);
    writer.writeInt(0);
    EXPECT_TRUE(writer.close());
    EXPECT_EQ("OLD" + hex("01 00 00 00 00"), dir.read("a.err"));
    EXPECT_FALSE(writer.close());  // nothing open any more

    R_Writer notCreated(dir.file("new.err"));
    EXPECT_FALSE(notCreated.openAppendExisting());
    EXPECT_EQ(ENOENT, notCreated.lastErrno());
    R_Writer appended(dir.file("a.err"));
    ASSERT_TRUE(appended.openAppendExisting());
    appended.writeByte(2);
    EXPECT_TRUE(appended.close());
    EXPECT_EQ("OLD" + hex("01 00 00 00 00 02"), dir.read("a.err"));

    R_Writer created(dir.file("new.err"));
    ASSERT_TRUE(created.openAppend());  // a missing file is created
    created.writeByte(7);
    EXPECT_TRUE(created.close());
    EXPECT_EQ(hex("07"), dir.read("new.err"));

    R_Writer fresh(dir.file("a.err"));
    ASSERT_TRUE(fresh.openNew());
    fresh.writeByte(9);
    EXPECT_TRUE(fresh.close());
    EXPECT_EQ(hex("09"), dir.read("a.err"));

    ASSERT_EQ(0, ::mkfifo(dir.file("fifo").c_str(), 0600));
    for (const std::string& name : {dir.path(), dir.file("fifo")}) {
        SCOPED_TRACE(name);
        R_Writer refused(name);
        EXPECT_FALSE(refused.openAppend());
        EXPECT_NE(0, refused.lastErrno());
    }
}

// A write that fails part way (here: past the file-size limit) leaves the
// file as it was at open. Run in a child process, which alone gets the limit.
TEST(RecordPrimitivesDeathTest, AFailedCloseLeavesTheFileAsItWas)
{
    TempDir dir;
    const std::string path = dir.write("a.err", "OLD");
    const auto run = [&path] {
        std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit {};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = 64;
        ::setrlimit(RLIMIT_FSIZE, &limit);
        R_Writer writer(path);
        if (!writer.openAppend())
            std::exit(2);
        writer.writeString(std::string(4096, 'x'));
        const bool closed = writer.close();
        std::ifstream in(path, std::ios::binary);
        const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::exit(!closed && writer.lastErrno() == EFBIG && content == "OLD" ? 0 : 1);
    };
    EXPECT_EXIT(run(), ::testing::ExitedWithCode(0), "");
}

TEST(RecordPrimitives, ExceptionTextsCarryTheErrnoGiven)
{
    U_UserException("something else");
    const R_ReadingReadException read(ENOENT);
    EXPECT_STREQ("UserException: don't know cause", U_UserException().what());
    EXPECT_EQ("Problems reading binary file. errno (2): No such file or directory", std::string(read.what()));
    const R_ReadingEOFException eof(EIO);
    EXPECT_EQ("Problems reading binary file at eof. errno (5): Input/output error", std::string(eof.what()));
    // One text per class: a newer one replaces the older one's.
    const R_ReadingReadException newer(EINVAL);
    EXPECT_EQ("Problems reading binary file. errno (22): Invalid argument", std::string(read.what()));
    EXPECT_STREQ("Problems writing binary file.", R_WritingException().what());
    EXPECT_STREQ("Problems reading binary file.", R_ReadingException().what());
}

U_Filename file(const std::string& full, const std::string& given)
{
    return U_Filename(full, given);
}

TEST(RecordIds, IdentifiersAndFileNamesCarryTheirBodyOnlyTheFirstTime)
{
    R_Writer writer("unused");
    R_writeIdentifier(writer, U_Identifier("MAX"));
    R_writeIdentifier(writer, U_Identifier("MIN"));
    R_writeIdentifier(writer, U_Identifier("MAX"));
    R_writeFilename(writer, file("/w/Rec.c", "Rec.c"));
    R_writeFilename(writer, file("/w/REC.C", "other.c"));  // same interned full name
    R_writeFilename(writer, file("/w/b.h", "b.h"));
    // Counted names keep every byte: these two differ after a NUL.
    R_writeFilename(writer, file(std::string("/w/x\0a", 6), std::string("x\0a", 3)));
    R_writeFilename(writer, file(std::string("/w/x\0b", 6), std::string("x\0b", 3)));
    const std::string expected = hex("00 00 00 00 03 00 00 00 4D 41 58") +   // MAX, new
                                 hex("01 00 00 00 03 00 00 00 4D 49 4E") +   // MIN, new
                                 hex("00 00 00 00") +                         // MAX again
                                 hex("00 00 00 00 08 00 00 00 2F 77 2F 52 65 63 2E 63 05 00 00 00 52 65 63 2E 63") +
                                 hex("00 00 00 00") +                         // the same file
                                 hex("01 00 00 00 06 00 00 00 2F 77 2F 62 2E 68 03 00 00 00 62 2E 68") +
                                 hex("02 00 00 00 06 00 00 00 2F 77 2F 78 00 61 03 00 00 00 78 00 61") +
                                 hex("03 00 00 00 06 00 00 00 2F 77 2F 78 00 62 03 00 00 00 78 00 62");
    EXPECT_EQ(toHex(expected), toHex(writer.pending()));

    // A new writer (a new open) starts its ids again at 0.
    R_Writer next("unused");
    R_writeIdentifier(next, U_Identifier("MIN"));
    EXPECT_EQ(toHex(hex("00 00 00 00 03 00 00 00 4D 49 4E")), toHex(next.pending()));
}

TEST(RecordIds, ReaderResolvesIdsWithinASectionOnly)
{
    TempDir dir;
    const std::string bytes = hex("00 00 00 00 05 00 00 00 41 42 00 43 44") +  // AB, NUL, CD
                              hex("00 00 00 00") +                              // id 0 again
                              hex("00 00 00 00") + counted("/w/x.c") + counted("x.c") +
                              hex("00 00 00 00") +                              // file id 0 again
                              hex("01 00 00 00 06 00 00 00 2F 77 2F 78 00 61 03 00 00 00 78 00 61") +
                              hex("02 00 00 00 06 00 00 00 2F 77 2F 78 00 62 03 00 00 00 78 00 62") +
                              hex("00 00 00 00") + counted("ZZ") +              // after clearCaches
                              hex("07 00 00 00") + counted(std::string(70, 'L'));  // id says 7: body read
    auto reader = readerOf(dir, bytes);
    const U_Identifier ab = R_readIdentifier(*reader);
    EXPECT_STREQ("AB", ab.c_str());  // interned up to the NUL
    EXPECT_EQ(U_Identifier("AB"), ab);
    EXPECT_EQ(ab, R_readIdentifier(*reader));
    const U_Filename x = R_readFilename(*reader);
    EXPECT_EQ("/w/x.c", x.storedFullName());
    EXPECT_EQ("x.c", x.storedName());
    EXPECT_EQ(x, R_readFilename(*reader));
    // Names differ after a NUL: two files, each with all its bytes.
    const U_Filename a = R_readFilename(*reader);
    const U_Filename b = R_readFilename(*reader);
    EXPECT_NE(a, b);
    EXPECT_EQ(std::string("/w/x\0a", 6), a.storedFullName());
    EXPECT_EQ(std::string("x\0a", 3), a.storedName());
    EXPECT_EQ(std::string("/w/x\0b", 6), b.storedFullName());
    reader->clearCaches();
    EXPECT_FALSE(reader->caches().identifiers.has(0));
    EXPECT_FALSE(reader->caches().filenames.has(0));
    EXPECT_STREQ("ZZ", R_readIdentifier(*reader).c_str());
    EXPECT_EQ(std::string(70, 'L'), R_readIdentifier(*reader).c_str());
    EXPECT_TRUE(reader->atEnd());
}

// Damage to counted strings and id records: each is a reading error; a
// length the file cannot hold is refused before anything is allocated.
TEST(RecordIds, DamagedLengthsAreReadingErrors)
{
    struct Row {
        const char* what;
        std::string bytes;
        std::function<void(R_Reader&)> read;
        int error;  // EINVAL for a refused value, 0 for a file that just ends
    };
    const auto string = [](R_Reader& r) { R_readString(r); };
    const auto identifier = [](R_Reader& r) { R_readIdentifier(r); };
    const auto filename = [](R_Reader& r) { R_readFilename(r); };
    const std::vector<Row> rows = {
        {"negative string length", hex("FF FF FF FF 41 41 41 41"), string, EINVAL},
        {"most negative string length", hex("00 00 00 80") + std::string(80, 'A'), string, EINVAL},
        {"string length 0x7FFFFFFF in a small file", hex("FF FF FF 7F") + std::string(80, 'A'), string, EINVAL},
        {"string one byte short", hex("05 00 00 00 41 41 41 41"), string, EINVAL},
        {"negative identifier length", hex("00 00 00 00 FF FF FF FF 41 41"), identifier, EINVAL},
        {"identifier length 0x7FFFFFFF", hex("00 00 00 00 FF FF FF 7F 41 41"), identifier, EINVAL},
        {"identifier cut in its text", hex("00 00 00 00 40 00 00 00") + std::string(63, 'I'), identifier, EINVAL},
        {"negative full-name length", hex("00 00 00 00 FE FF FF FF"), filename, EINVAL},
        {"name as given missing", hex("00 00 00 00 01 00 00 00 41"), filename, 0},
    };
    TempDir dir;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        auto reader = readerOf(dir, row.bytes);
        errno = ENOENT;  // left by some earlier call: never the one shown
        try {
            row.read(*reader);
            ADD_FAILURE() << "no reading error";
        } catch (const R_ReadingReadException& e) {
            EXPECT_NE(std::string::npos, std::string(e.what()).find("errno (" + std::to_string(row.error) + ")"))
                << e.what();
        } catch (...) {
            ADD_FAILURE() << "another exception";
        }
    }
}

// Any cut of a good run of id records is a reading error, never a crash.
TEST(RecordIds, EveryCutOfAnIdRecordIsAReadingError)
{
    const std::string whole = hex("00 00 00 00") + counted("MACRO") + hex("00 00 00 00") + counted("/w/a.c") +
                              counted("a.c");
    TempDir dir;
    for (std::size_t cut = 0; cut < whole.size(); ++cut) {
        SCOPED_TRACE(cut);
        auto reader = readerOf(dir, whole.substr(0, cut));
        EXPECT_THROW(
            {
                R_readIdentifier(*reader);
                R_readFilename(*reader);
            },
            R_ReadingReadException);
    }
    auto reader = readerOf(dir, whole);
    R_readIdentifier(*reader);
    R_readFilename(*reader);
    EXPECT_TRUE(reader->atEnd());
}

TEST(RecordCaches, LocationSlotsGrowToTheIdSetAndClearWithTheirCount)
{
    R_ReaderLocData cache;
    const U_Location loc = U_Location::create(file("/w/a.c", "a.c"), 1, 0);
    cache.beginBody();
    cache.set(5, loc);
    EXPECT_TRUE(cache.has(3));
    EXPECT_FALSE(cache.get(3).isValid());
    EXPECT_EQ(loc, cache.get(5));
    EXPECT_FALSE(cache.has(6));
    EXPECT_FALSE(cache.has(-1));
    cache.set(-1, loc);  // stores nothing
    EXPECT_FALSE(cache.has(-1));
    EXPECT_EQ(1, cache.nextNewId());
    cache.clear();
    EXPECT_FALSE(cache.has(0));
    EXPECT_EQ(0, cache.nextNewId());
}

TEST(SuppressionRecord, KeepsWhatItWasGiven)
{
    const U_Location loc = U_Location::create(file("/w/a.c", "a.c"), 12, 3);
    const std::vector<M_SuppressionRecord::Range> ranges = {{"900", "17"}, {"x", ""}};
    U_RefPtr<M_SuppressionRecord> withoutThird = new M_SuppressionRecord(2, loc, "BLSup", ranges, loc, U_Location());
    EXPECT_EQ(2u, withoutThird->kind());
    EXPECT_EQ(loc, withoutThird->location());
    EXPECT_EQ("BLSup", withoutThird->reason());
    EXPECT_EQ(ranges, withoutThird->ranges());
    EXPECT_EQ(loc, withoutThird->location2());
    EXPECT_FALSE(withoutThird->location3().isValid());
    U_RefPtr<M_SuppressionRecord> withThird = new M_SuppressionRecord(7, loc, "", {}, loc, loc);
    EXPECT_EQ(loc, withThird->location3());
    EXPECT_TRUE(withThird->ranges().empty());
}

} // namespace
