#include "encoding/QL_Bom.h"
#include "encoding/QL_Utf8Streambuf.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

QTextCodec* codec(const char* name)
{
    return QTextCodec::codecForName(name);
}

// Decodes input with from (BOM detection as asked) and encodes it with to,
// the way a conversion copies one stream into another.
std::string copyThrough(const std::string& input, QTextCodec* from, QTextCodec* to, bool detectBom)
{
    std::istringstream in(input);
    std::ostringstream out;
    {
        QL_IUTF8Streambuf inBuf(in, from, detectBom);
        std::istream decoded(&inBuf);
        QL_OUTF8Streambuf outBuf(out, to, QTextCodec::IgnoreHeader);
        std::ostream encoded(&outBuf);
        encoded << decoded.rdbuf();
    }
    return out.str();
}

} // namespace

TEST(QL_Utf8, CompletePrefixEnd)
{
    struct Row {
        std::string bytes;
        std::size_t expected;
    };
    const Row rows[] = {
        {"", 0},
        {"ab", 2},
        {"a\xC3", 1},                 // lead byte last
        {"a\xC3\xA9", 3},             // complete 2-byte sequence
        {"a\xE3\x81", 1},             // 3-byte sequence missing one
        {"a\xE3\x81\x82", 4},
        {"\xF0\x9F\x98", 0},          // 4-byte sequence missing one
        {"\xF0\x9F\x98\x80", 4},
        {"\x80\x80", 2},              // only continuation bytes: nothing to wait for
        {"a\x80\x80\x80\x80\x80\x80", 7},  // more than six: not a sequence
    };
    for (const Row& r : rows) {
        const char* begin = r.bytes.data();
        const char* got = QL_Utf8::completePrefixEnd(begin, begin + r.bytes.size());
        EXPECT_EQ(r.expected, static_cast<std::size_t>(got - begin)) << testing::PrintToString(r.bytes);
    }
}

TEST(QL_Bom, LongestMarkWins)
{
    QTextCodec* fallback = codec("EUC-JP");
    struct Row {
        std::string bytes;
        const char* codecName;
    };
    const Row rows[] = {
        {"\xEF\xBB\xBFx", "UTF-8"},
        {"\xFE\xFF\x00x", "UTF-16BE"},
        {"\xFF\xFEx\x00", "UTF-16LE"},
        {std::string("\xFF\xFE\x00\x00", 4), "UTF-32LE"},
        {std::string("\x00\x00\xFE\xFF", 4), "UTF-32BE"},
        {"\xFF\xFE", "UTF-16LE"},     // only the bytes read count
        {"abcd", nullptr},
        {"\xEF\xBB", nullptr},
    };
    for (const Row& r : rows) {
        QTextCodec* got = QL_Bom::codecForBOM(fallback, r.bytes.data(), r.bytes.size());
        QTextCodec* expected = r.codecName ? codec(r.codecName) : fallback;
        ASSERT_NE(nullptr, expected);
        EXPECT_EQ(expected, got) << testing::PrintToString(r.bytes);
    }
}

TEST(QL_Utf8Streambuf, ByteOrderMarkChoosesTheCodec)
{
    QTextCodec* utf8 = codec("UTF-8");
    // "aé" in UTF-16LE with its mark, then in UTF-32BE with its mark.
    EXPECT_EQ("a\xC3\xA9", copyThrough(std::string("\xFF\xFE" "a\0\xE9\0", 6), utf8, utf8, true));
    EXPECT_EQ("a\xC3\xA9", copyThrough(std::string("\0\0\xFE\xFF\0\0\0a\0\0\0\xE9", 12), utf8, utf8, true));
    // A UTF-8 mark is dropped and never written.
    EXPECT_EQ("x", copyThrough("\xEF\xBB\xBFx", utf8, utf8, true));
    // A lone mark is an empty text.
    EXPECT_EQ("", copyThrough("\xFF\xFE", utf8, utf8, true));
    // Without detection the mark's bytes are only text for the codec.
    EXPECT_EQ(copyThrough("\xFF\xFE", codec("ISO-8859-1"), utf8, false), "\xC3\xBF\xC3\xBE");
}

TEST(QL_Utf8Streambuf, JapaneseCodecsBothWays)
{
    QTextCodec* sjis = codec("Shift_JIS");
    QTextCodec* euc = codec("EUC-JP");
    QTextCodec* utf8 = codec("UTF-8");
    ASSERT_TRUE(sjis && euc && utf8);
    // HIRAGANA LETTER A: Shift_JIS 82 A0, EUC-JP A4 A2, UTF-8 E3 81 82.
    EXPECT_EQ("\xE3\x81\x82", copyThrough("\x82\xA0", sjis, utf8, false));
    EXPECT_EQ("\xA4\xA2", copyThrough("\xE3\x81\x82", utf8, euc, false));
    EXPECT_EQ("\x82\xA0", copyThrough("\xE3\x81\x82", utf8, sjis, false));
    // No codec on either side: bytes pass unchanged.
    EXPECT_EQ("\x82\xA0", copyThrough("\x82\xA0", nullptr, nullptr, false));
    // From kind 1 (no codec) to UTF-8 output: the bytes are taken as UTF-8.
    EXPECT_EQ("\xE3\x81\x82", copyThrough("\xE3\x81\x82", nullptr, utf8, false));
}

TEST(QL_Utf8Streambuf, LongInputGrowsTheBufferAndSplitsSequences)
{
    QTextCodec* sjis = codec("Shift_JIS");
    QTextCodec* euc = codec("EUC-JP");
    QTextCodec* utf8 = codec("UTF-8");
    // 3000 kanji: every chunk decodes to more bytes than it read, and both
    // a Shift_JIS pair and a UTF-8 sequence are cut by chunk and put-area ends.
    std::string sjisText = "x";
    std::string eucText = "x";
    std::string utf8Text = "x";
    for (int i = 0; i < 3000; ++i) {
        sjisText += "\x88\x9F";     // U+4E9C
        eucText += "\xB0\xA1";
        utf8Text += "\xE4\xBA\x9C";
    }
    EXPECT_EQ(utf8Text, copyThrough(sjisText, sjis, utf8, false));
    EXPECT_EQ(eucText, copyThrough(sjisText, sjis, euc, false));
    EXPECT_EQ(sjisText, copyThrough(eucText, euc, sjis, false));
}

TEST(QL_Utf8Streambuf, OutputNeverWritesAMark)
{
    std::ostringstream out;
    {
        QL_OUTF8Streambuf buf(out, codec("UTF-8"), QTextCodec::IgnoreHeader);
        std::ostream s(&buf);
        s << "ab";
        s.flush();
        s << "c";
    }
    EXPECT_EQ("abc", out.str());
}

TEST(QL_Utf8Streambuf, UnfinishedTailIsDropped)
{
    std::ostringstream out;
    {
        QL_OUTF8Streambuf buf(out, codec("EUC-JP"), QTextCodec::IgnoreHeader);
        std::ostream s(&buf);
        s << "a\xE3\x81";  // cut before its last byte
        s.flush();
        EXPECT_EQ("a", out.str());
        s << "\x82";
        s.flush();
        EXPECT_EQ("a\xA4\xA2", out.str());
        s << "b\xE3";
    }
    EXPECT_EQ("a\xA4\xA2" "b", out.str());
}
