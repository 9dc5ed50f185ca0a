#include "encoding/U_Codec.h"

#include <QTextCodec>

#include <gtest/gtest.h>

// A name is used in its text form only where that form keeps every byte;
// any other name is used by its bytes, so two names never meet at one text.
TEST(U_Codec, ExactConversionsKeepEveryByte)
{
    struct Row {
        const char* codec;
        std::string bytes;
        bool exact;
        QString text;
    };
    const Row rows[] = {
        {"UTF-8", "src/caf\xc3\xa9.c", true, QString::fromUtf8("src/caf\xc3\xa9.c")},
        {"UTF-8", "\xef\xbf\xbd.c", true, QString(QChar(0xfffd)) + ".c"},  // a real U+FFFD is text
        {"UTF-8", "\xef\xbb\xbf" "a", false, ""},  // toQString drops a leading BOM
        {"UTF-8", "caf\xe9.c", false, ""},
        {"UTF-8", "caf\xe8.c", false, ""},
        {"UTF-8", "ab\xe6\x97", false, ""},        // cut short
        {"UTF-8", "\xc0\xaf", false, ""},          // over-long "/"
        {"UTF-8", "\xed\xa0\x80", false, ""},      // a surrogate
        {"UTF-8", std::string("a\0b", 3), false, ""},
        {"EUC-JP", "\xa4\xa2.c", true, QString::fromUtf8("\xe3\x81\x82.c")},
        {"EUC-JP", "\xa4.c", false, ""},
    };
    for (const Row& r : rows) {
        QTextCodec* codec = QTextCodec::codecForName(r.codec);
        ASSERT_NE(nullptr, codec);
        QString text;
        EXPECT_EQ(r.exact, U_Codec::toQStringExactly(codec, r.bytes, text)) << r.codec << " " << r.bytes;
        if (r.exact) {
            EXPECT_EQ(r.text, text) << r.bytes;
            std::string back;
            EXPECT_TRUE(U_Codec::fromQStringExactly(codec, text, back)) << r.bytes;
            EXPECT_EQ(r.bytes, back);
        }
    }
    std::string bytes = "unchanged";
    const QString emoji = QString::fromUtf8("\xf0\x9f\x98\x80");
    EXPECT_FALSE(U_Codec::fromQStringExactly(QTextCodec::codecForName("EUC-JP"), emoji, bytes));
    EXPECT_FALSE(U_Codec::fromQStringExactly(QTextCodec::codecForName("ISO-8859-1"), QString(QChar(0x3042)), bytes));
    EXPECT_EQ("unchanged", bytes);
}

// Bytes are text exactly when they are its UTF-8: nothing that Qt would
// decode into U+FFFD, or into a character whose UTF-8 is other bytes.
TEST(U_Codec, Utf8ExactlyKeepsEveryByte)
{
    struct Row {
        std::string bytes;
        bool exact;
        QString text;
    };
    const Row rows[] = {
        {"", true, ""},
        {"/src/a.c", true, "/src/a.c"},
        {"caf\xC3\xA9", true, QString::fromUtf8("caf\xC3\xA9")},
        {"\xF0\x9F\x98\x80", true, QString::fromUtf8("\xF0\x9F\x98\x80")},
        {"caf\xE9", false, ""},           // Latin-1
        {"\xC0\xAF", false, ""},          // an overlong "/"
        {"\xED\xA0\x80", false, ""},      // a surrogate
        {"\xEF\xBF\xBD", true, QString(QChar(0xFFFD))},  // U+FFFD itself is text
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.bytes);
        QString text = "unchanged";
        EXPECT_EQ(U_Codec::fromUtf8Exactly(row.bytes, text), row.exact);
        EXPECT_EQ(text, row.exact ? row.text : QString("unchanged"));
    }
}
