#include "driver/SupGen.h"

#include "messages/R_Records.h"
#include "messages/R_Writer.h"

#include "support/ScopedEnv.h"
#include "support/TempDir.h"
#include "util/U_Product.h"

#include <gtest/gtest.h>

namespace {

// Hex text of bytes, two lower-case digits each.
std::string hex(const std::string& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

// Names are converted from the product's native encoding: a plain ASCII
// product, found through its BIN directory.
class SupGenTest : public testing::Test {
protected:
    TempDir bin;
    ScopedEnv binVariable{"ZXCBIN", bin.path()};
    ScopedEnv lang{"LANG", std::string("C")};
    ScopedEnv noLangCache{"NO_LANG_CACHE", std::string("1")};
    U_Product product{"ZXC"};
};

TEST_F(SupGenTest, RecordValues)
{
    const U_RefPtr<M_SuppressionRecord> record = SupGen::makeSuppression("/w/a.c", 12, 5, "BLSup", 2, -3200);
    EXPECT_EQ(record->kind(), 2u);
    EXPECT_EQ(record->reason(), "BLSup");
    ASSERT_EQ(record->ranges().size(), 1u);
    EXPECT_EQ(record->ranges()[0], M_SuppressionRecord::Range("-3200", "-3200"));
    EXPECT_EQ(record->location().fileName().fullName(), "/w/a.c");
    EXPECT_EQ(record->location().fileName().name(), "/w/a.c");
    EXPECT_EQ(record->location().line(), 12);
    EXPECT_EQ(record->location().column(), 5);
    EXPECT_EQ(record->location2(), record->location());  // the same location object
    EXPECT_FALSE(record->location3().isValid());
}

// Two records for lines 12 and 40 of one file, message 1234, column 5,
// written as a section appended to a message file: the worked layout of the
// message-file format, byte for byte; the same bytes when both records are
// made from one file name made beforehand, as the run does.
TEST_F(SupGenTest, BytesOfAnAppendedSection)
{
    const std::string name = "06000000" "2f772f612e63";           // "/w/a.c"
    const std::string tail = "05000000" "424c537570"                // reason BLSup
                             "01000000"                             // one range
                             "04000000" "31323334" "04000000" "31323334"  // 1234 to 1234
                             "04";                                  // marker
    const std::string expected = "0100000000"
                                 "0402" "00000000" "00000000" + name + name +
                                 "0c000000" "05000000" "00" + tail + "00000000" "00"
                                 "0402" "01000000" "00000000"
                                 "28000000" "05000000" "00" + tail + "01000000" "00";
    const U_Filename file = U_Filename::fromPath("/w/a.c");
    for (bool madeBefore : {false, true}) {
        SCOPED_TRACE(madeBefore ? "file name made beforehand" : "file name made per record");
        R_Writer writer("unused");
        writer.writeByte(1);
        writer.writeInt(0);
        for (int line : {12, 40}) {
            writer.writeByte(4);
            R_writeSuppressionRecord(writer, madeBefore
                                                 ? SupGen::makeSuppression(file, line, 5, "BLSup", 2, 1234)
                                                 : SupGen::makeSuppression("/w/a.c", line, 5, "BLSup", 2, 1234));
        }
        EXPECT_EQ(hex(writer.pending()), expected);
    }
}

} // namespace
