#include "encoding/JapaneseChars.h"
#include "util/U_Exception.h"

#include "HexBytes.h"

#include <gtest/gtest.h>

using namespace U_Encoding;
using testbytes::hex;
using testbytes::toHex;

namespace {

StringSource* sourceOver(StringSource& in, const std::string& bytes)
{
    in.setText(U_RcString(bytes.c_str()));
    return &in;
}

} // namespace

// Both directions over the same rows; the Shift_JIS trails are all valid ones.
TEST(JapaneseChars, PairArithmeticBothPlanes)
{
    const struct {
        int lead, trail, plane, first, second;
    } rows[] = {
        {0x81, 0x40, 1, 0x21, 0x21}, {0x88, 0x9F, 1, 0x30, 0x21}, {0x82, 0xA0, 1, 0x24, 0x22},
        {0x9F, 0xFC, 1, 0x5E, 0x7E}, {0xE0, 0x40, 1, 0x5F, 0x21}, {0xEF, 0xFC, 1, 0x7E, 0x7E},
        {0x83, 0x94, 1, 0x25, 0x74}, {0x81, 0x80, 1, 0x21, 0x60},
        // Plane 2: rows 1, 8, 3, 4, 5, 12, 13, 14, 15, 78, 79 and 94.
        {0xF0, 0x40, 2, 0x21, 0x21}, {0xF0, 0x9F, 2, 0x28, 0x21}, {0xF1, 0x40, 2, 0x23, 0x21},
        {0xF1, 0x9F, 2, 0x24, 0x21}, {0xF2, 0x40, 2, 0x25, 0x21}, {0xF2, 0x9F, 2, 0x2C, 0x21},
        {0xF3, 0x40, 2, 0x2D, 0x21}, {0xF3, 0x9F, 2, 0x2E, 0x21}, {0xF4, 0x40, 2, 0x2F, 0x21},
        {0xF4, 0x9E, 2, 0x2F, 0x7E}, {0xF4, 0x9F, 2, 0x6E, 0x21}, {0xF5, 0x40, 2, 0x6F, 0x21},
        {0xFC, 0xFC, 2, 0x7E, 0x7E},
    };
    for (const auto& r : rows) {
        const JisChar j = sjisPairToJis(r.lead, r.trail);
        EXPECT_EQ(r.plane, j.plane) << std::hex << r.lead << " " << r.trail;
        EXPECT_EQ(r.first, j.first) << std::hex << r.lead << " " << r.trail;
        EXPECT_EQ(r.second, j.second) << std::hex << r.lead << " " << r.trail;
        const SjisPair s = jisPairToSjis(r.plane, r.first, r.second);
        EXPECT_EQ(r.lead, s.lead) << std::hex << r.first << " " << r.second;
        EXPECT_EQ(r.trail, s.trail) << std::hex << r.first << " " << r.second;
    }
}

TEST(JapaneseChars, JisPairUsesLowEightBits)
{
    const SjisPair s = jisPairToSjis(1, 0x124, 0x322);
    EXPECT_EQ(0x82, s.lead);
    EXPECT_EQ(0xA0, s.trail);
    const SjisPair zero = jisPairToSjis(0, 0x24, 0x22);  // plane below 2 is plane 1
    EXPECT_EQ(0x82, zero.lead);
}

// Each row: the bytes after ESC, the mode, and the byte left to read next.
TEST(JapaneseChars, ReadEscape)
{
    const struct {
        const char* bytes;
        int mode;
        int next;
    } rows[] = {
        {"24 42 5A", 1, 0x5A}, {"24 40 5A", 1, 0x5A}, {"24 4F 5A", 1, 0x5A},
        {"24 28 4F 5A", 1, 0x5A}, {"24 28 42 5A", 1, 0x5A}, {"24 50 5A", 2, 0x5A},
        {"24 28 50 5A", 2, 0x5A}, {"24 28 51 5A", 0, 0x5A}, {"24 41 5A", 0, 0x5A},
        {"28 42 5A", 0, 0x5A}, {"28 4A 5A", 0, 0x5A}, {"28 49 5A", 0, 0x5A},
        {"4B 5A", 1, 0x5A}, {"48 5A", 0, 0x5A}, {"5A 41", 0, 0x41},
        {"", 0, -1}, {"24", 0, -1}, {"24 28", 0, -1},
    };
    for (const auto& r : rows) {
        StringSource in;
        EXPECT_EQ(r.mode, readEscape(*sourceOver(in, hex(r.bytes)))) << r.bytes;
        EXPECT_EQ(r.next, in.Get()) << r.bytes;
    }
}

TEST(JapaneseChars, WriteEscape)
{
    const struct {
        U_EncodingKind kind;
        int entry;
        const char* bytes;
    } rows[] = {
        {eceOldJIS, 0, "1B 28 4A"}, {eceOldJIS, 1, "1B 24 40"}, {eceOldJIS, 2, "1B 24 28 50"},
        {eceNewJIS, 0, "1B 28 4A"}, {eceNewJIS, 1, "1B 24 42"}, {eceNewJIS, 2, "1B 24 28 50"},
        {eceNECJIS, 0, "1B 48"},    {eceNECJIS, 1, "1B 4B"},    {eceNECJIS, 2, "1B 24 28 50"},
        {eceEUC, 1, "1B 24 42"},
    };
    for (const auto& r : rows) {
        StringDestination out;
        writeEscape(out, jisEscapeTable(r.kind), r.entry);
        EXPECT_EQ(r.bytes, toHex(out.text().c_str())) << "kind " << r.kind << " entry " << r.entry;
        // What is written is read back as the mode it announces.
        StringSource in;
        sourceOver(in, std::string(out.text().c_str()).substr(1));
        EXPECT_EQ(r.entry, readEscape(in)) << "kind " << r.kind << " entry " << r.entry;
    }
}

// Each row: source kind, half-width byte, the bytes after it, the pair, and the
// byte left to read next.
TEST(JapaneseChars, WidenKana)
{
    const struct {
        U_EncodingKind kind;
        int kana;
        const char* after;
        int lead, trail;
        int next;
    } rows[] = {
        {eceSJIS, 0xB6, "DE 41", 0x83, 0x4B, 0x41},   // ka + voiced = ga
        {eceSJIS, 0xB6, "DF 41", 0x83, 0x4A, 0xDF},   // no semi-voiced ka
        {eceSJIS, 0xC4, "DE", 0x83, 0x68, -1},        // to + voiced = do
        {eceSJIS, 0xC5, "DE", 0x83, 0x69, 0xDE},      // na takes no mark
        {eceSJIS, 0xB3, "DE", 0x83, 0x94, -1},        // u + voiced = vu
        {eceSJIS, 0xB1, "DE", 0x83, 0x41, 0xDE},
        {eceSJIS, 0xCA, "DF", 0x83, 0x70, -1},        // ha + semi-voiced = pa
        {eceSJIS, 0xCE, "DE", 0x83, 0x7B, -1},        // ho + voiced = bo
        {eceSJIS, 0xCE, "DF", 0x83, 0x7C, -1},        // ho + semi-voiced = po
        {eceSJIS, 0xA1, "", 0x81, 0x42, -1},
        {eceSJIS, 0xA6, "", 0x83, 0x92, -1},
        {eceSJIS, 0xAF, "41", 0x83, 0x62, 0x41},
        {eceSJIS, 0xB0, "", 0x81, 0x5B, -1},
        {eceSJIS, 0xDD, "", 0x83, 0x93, -1},
        {eceSJIS, 0xDE, "", 0x81, 0x4A, -1},
        {eceSJIS, 0xDF, "", 0x81, 0x4B, -1},
        {eceEUC, 0xB6, "8E DE 41", 0x83, 0x4B, 0x41},
        {eceEUC, 0xCA, "8E DF", 0x83, 0x70, -1},
        {eceEUC, 0xB6, "DE", 0x83, 0x4A, 0xDE},       // a mark without 0x8E is no mark
        {eceEUC, 0xB6, "8E B1", 0x83, 0x4A, 0x8E},    // both bytes given back
        {eceEUC, 0xB6, "8E", 0x83, 0x4A, 0x8E},       // a last 0x8E is not lost
        {eceEUC, 0xB6, "", 0x83, 0x4A, -1},
    };
    for (const auto& r : rows) {
        StringSource in;
        const SjisPair p = widenKana(*sourceOver(in, hex(r.after)), r.kana, r.kind);
        EXPECT_EQ(r.lead, p.lead) << std::hex << r.kana << " " << r.after;
        EXPECT_EQ(r.trail, p.trail) << std::hex << r.kana << " " << r.after;
        EXPECT_EQ(r.next, in.Get()) << std::hex << r.kana << " " << r.after;
    }
}

TEST(JapaneseChars, WidenKanaRefusesOtherBytes)
{
    StringSource in;
    EXPECT_THROW(widenKana(in, 0xA0, eceSJIS), U_AssertException);
    EXPECT_THROW(widenKana(in, 0xE0, eceEUC), U_AssertException);
}
