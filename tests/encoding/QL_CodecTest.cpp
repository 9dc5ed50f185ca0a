#include "ProductEnvironment.h"

#include "encoding/QL_Codec.h"
#include "encoding/QL_Locale.h"
#include "encoding/U_Codec.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <sstream>

namespace {

std::string convert(const U_Product& product, const std::string& input, U_EncodingKind from, U_EncodingKind to,
                    bool detectBom)
{
    std::istringstream in(input);
    std::ostringstream out;
    EXPECT_TRUE(QL_Codec::translate(product, out, to, in, from, detectBom));
    return out.str();
}

} // namespace

TEST(QL_Codec, CodecTable)
{
    EXPECT_EQ(QTextCodec::codecForName("EUC-JP"), QL_Codec::codec(eceEUC));
    EXPECT_EQ(QTextCodec::codecForName("Shift_JIS"), QL_Codec::codec(eceSJIS));
    EXPECT_EQ(QTextCodec::codecForName("UTF-8"), QL_Codec::codec(eceUTF));
    for (U_EncodingKind kind : {eceInvalid, eceNone, eceOldJIS, eceNewJIS, eceNECJIS, 8, -1})
        EXPECT_EQ(nullptr, QL_Codec::codec(kind)) << kind;
}

TEST(QL_Codec, TranslatePaths)
{
    ProductEnvironment pe;
    struct Row {
        std::string input;
        U_EncodingKind from;
        U_EncodingKind to;
        bool detectBom;
        std::string expected;
    };
    const Row rows[] = {
        {"\x82\xA0", eceSJIS, eceSJIS, false, "\x82\xA0"},           // equal kinds: bytes copied
        {"\x82\xA0", eceSJIS, eceEUC, false, "\xA4\xA2"},            // byte translator
        {"\x82\xA0", eceSJIS, eceUTF, false, "\xE3\x81\x82"},        // codecs
        {"\xEF\xBB\xBF\xE3\x81\x82", eceUTF, eceUTF, true, "\xE3\x81\x82"},
        {std::string("\xFF\xFE\x42\x30", 4), eceUTF, eceUTF, true, "\xE3\x81\x82"},
        {std::string("\0\0\xFE\xFF\0\0\x30\x42", 8), eceUTF, eceUTF, true, "\xE3\x81\x82"},
        {"\xE3\x81\x82", eceNone, eceUTF, false, "\xE3\x81\x82"},    // no source codec: taken as UTF-8
        {"\xE3\x81\x82", eceUTF, eceNone, false, "\xE3\x81\x82"},
        {"", eceSJIS, eceUTF, false, ""},
    };
    for (const Row& r : rows)
        EXPECT_EQ(r.expected, convert(pe.product, r.input, r.from, r.to, r.detectBom))
            << testing::PrintToString(r.input) << " " << r.from << "->" << r.to;
}

TEST(QL_Codec, PluginsAreBuiltIn)
{
    ProductEnvironment pe;
    pe.env.unset("UNICODEMAP_JP");
    EXPECT_TRUE(QL_Codec::ensurePlugins(pe.product));
    ASSERT_NE(nullptr, std::getenv("UNICODEMAP_JP"));
    EXPECT_STREQ("open-ms", std::getenv("UNICODEMAP_JP"));
    EXPECT_TRUE(QCoreApplication::libraryPaths().contains(QString::fromStdString(pe.bin.path())));

    pe.env.unset("ZXCPPBIN");
    EXPECT_THROW(QL_Codec::ensurePlugins(pe.product), C_ConfigurationException);
}

TEST(U_Codec, CodecChoice)
{
    struct Row {
        const char* lang;  // the product's language, which gives its native kind
        const char* locale;
        const char* codec;
    };
    const Row rows[] = {
        {"C", "ja_JP", "EUC-JP"},        // "ja" wins even for a plain product
        {"C", "zh_CN", "GB18030"},
        {"C", "en_US.UTF-8", "UTF-8"},
        {"ja_JP.SJIS", "en_US", "EUC-JP"},  // Japanese product
        {"C", "ISO-8859-1", "ISO-8859-1"},  // a locale that names a codec
    };
    for (const Row& r : rows) {
        ProductEnvironment pe;
        pe.env.set("LANG", r.lang);
        QTextCodec* got = U_Codec::chooseCodec(r.locale);
        ASSERT_NE(nullptr, got) << r.locale;
        EXPECT_EQ(QTextCodec::codecForName(r.codec), got) << r.locale;
    }
    ProductEnvironment pe;
    pe.env.set("LANG", "C");
    EXPECT_EQ(QTextCodec::codecForLocale(), U_Codec::chooseCodec("en_US"));
}

TEST(U_Codec, ToQStringStopsAtZero)
{
    ProductEnvironment pe;
    EXPECT_EQ(QString("ab"), U_Codec::toQString(std::string("ab\0cd", 5)));
    EXPECT_EQ(QString("src/main.c"), U_Codec::toQString("src/main.c"));
}

TEST(QL_Locale, NameFollowsLang)
{
    ProductEnvironment pe;  // NO_LANG_CACHE is set: every call looks again
    pe.env.set("LANG", "ja_JP.eucJP");
    EXPECT_EQ("ja_JP", QL_Locale::name());
    pe.env.set("LANG", "de_DE.UTF-8");
    EXPECT_EQ("de_DE", QL_Locale::name());
}
