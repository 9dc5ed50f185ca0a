#include "HeapCount.h"
#include "ProductEnvironment.h"

#include "encoding/U_Encoding.h"

#include <gtest/gtest.h>

TEST(U_Product, NativeKindFromLanguage)
{
    struct Row {
        const char* languageFile;  // null: no language file
        const char* lang;          // null: LANG unset
        std::string language;
        U_EncodingKind native;
        U_EncodingKind working;
    };
    const Row rows[] = {
        {nullptr, nullptr, "default", eceNone, eceUTF},
        {nullptr, "C.UTF-8", "C.UTF-8", eceNone, eceUTF},
        {"ja_JP.SJIS", "ja_JP.eucJP", "ja_JP.SJIS", eceSJIS, eceEUC},  // the file wins over LANG
        {nullptr, "ja_JP.eucJP", "ja_JP.eucJP", eceEUC, eceEUC},
        {nullptr, "JA_jp.utf-8", "JA_jp.utf-8", eceUTF, eceEUC},
        {nullptr, "de_DE.euc", "de_DE.euc", eceEUC, eceEUC},
        {nullptr, "ja_JP.sjis", "ja_JP.sjis", eceNone, eceUTF},
        {nullptr, "Ja_JP", "Ja_JP", eceSJIS, eceEUC},
        {"Shift_JIS", nullptr, "Shift_JIS", eceSJIS, eceEUC},
        {"", "ja_JP.UTF-8", "ja_JP.UTF-8", eceUTF, eceEUC},  // an empty value counts as none
    };
    for (const Row& r : rows) {
        ProductEnvironment pe;
        if (r.languageFile)
            pe.setLanguageFile(r.languageFile);
        if (r.lang)
            pe.env.set("LANG", r.lang);
        EXPECT_EQ(r.language, U_Product::language(pe.product)) << r.language;
        EXPECT_EQ(r.native, U_Product::nativeKind(pe.product)) << r.language;
        EXPECT_EQ(r.native, U_Product::currentNativeKind()) << r.language;
        EXPECT_EQ(r.working, U_Product::workingKind(pe.product)) << r.language;
    }
}

TEST(U_Product, LanguageFileValueIsCutTo99)
{
    ProductEnvironment pe;
    pe.setLanguageFile(std::string(120, 'x'));
    EXPECT_EQ(std::string(99, 'x'), U_Product::language(pe.product));
}

TEST(U_Product, LanguageCache)
{
    ProductEnvironment pe;
    pe.env.unset("NO_LANG_CACHE");
    pe.env.set("LANG", "ja_JP.eucJP");
    pe.env.unset("ZXCPPBIN");
    // A failed BIN lookup caches nothing: the next call looks again.
    EXPECT_THROW(U_Product::language(pe.product), C_ConfigurationException);
    pe.env.set("ZXCPPBIN", pe.bin.path());
    EXPECT_EQ("ja_JP.eucJP", U_Product::language(pe.product));
    pe.env.set("LANG", "ja_JP.SJIS");
    EXPECT_EQ("ja_JP.eucJP", U_Product::language(pe.product));  // cached
    // Once cached without NO_LANG_CACHE, the answer stays for the process.
    pe.env.set("NO_LANG_CACHE", "1");
    EXPECT_EQ("ja_JP.eucJP", U_Product::language(pe.product));
}

TEST(U_Encoding, PlainProductsPassTextThrough)
{
    const std::string text("a\x82\xA0\0\xFF" "b", 6);
    for (const char* lang : {"C.UTF-8", "ja_JP.eucJP"}) {
        ProductEnvironment pe;
        pe.env.set("LANG", lang);
        EXPECT_EQ(text, U_Encoding::toNative(text)) << lang;
        EXPECT_EQ(text, U_Encoding::fromNative(text)) << lang;
        EXPECT_EQ(text, U_Encoding::fromNative(pe.product, text)) << lang;
        for (U_EncodingKind kind : {eceNone, eceEUC}) {
            EXPECT_EQ(text, U_Encoding::toExternal(text, kind));
            EXPECT_EQ(text, U_Encoding::toInternal(text, kind));
        }
    }
}

TEST(U_Encoding, ShiftJisProduct)
{
    ProductEnvironment pe;
    pe.setLanguageFile("ja_JP.SJIS");
    struct Row {
        std::string sjis;
        std::string euc;
    };
    const Row rows[] = {
        {"\x82\xA0", "\xA4\xA2"},
        {"\xB1", "\x8E\xB1"},  // half-width katakana
        {"src/\x95\xB6.c", "src/\xCA\xB8.c"},
        {"plain", "plain"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(r.euc, U_Encoding::fromNative(r.sjis));
        EXPECT_EQ(r.sjis, U_Encoding::toNative(r.euc));
    }
    // Off the codec path a text ends at its first zero byte.
    EXPECT_EQ("ab", U_Encoding::fromNative(std::string("ab\0cd", 5)));
}

TEST(U_Encoding, Utf8ProductGoesThroughCodecs)
{
    ProductEnvironment pe;
    pe.env.set("LANG", "ja_JP.UTF-8");
    EXPECT_EQ("\xA4\xA2", U_Encoding::fromNative("\xE3\x81\x82"));
    EXPECT_EQ("\xE3\x81\x82", U_Encoding::toNative("\xA4\xA2"));
    // On the codec path all bytes reach the codecs, zero bytes included.
    EXPECT_EQ(std::string("ab\0cd", 5), U_Encoding::toNative(std::string("ab\0cd", 5)));
}

TEST(U_Encoding, TranslateDispatch)
{
    ProductEnvironment pe;
    testing::internal::CaptureStdout();
    EXPECT_EQ("\x82\xA0", U_Encoding::translate(pe.product, "\x82\xA0", eceSJIS, eceSJIS));
    EXPECT_EQ("", testing::internal::GetCapturedStdout());

    testing::internal::CaptureStdout();
    EXPECT_EQ("x\x82", U_Encoding::translate(pe.product, "x\x82", eceInvalid, eceEUC));
    EXPECT_EQ("Translation for invalid encodings: eceInvalid to eceEUC, performing binary copy.\n",
              testing::internal::GetCapturedStdout());

    EXPECT_EQ("\xA4\xA2", U_Encoding::translate(pe.product, "\x82\xA0", eceSJIS, eceEUC));
    EXPECT_EQ("\x82\xA0", U_Encoding::translate(pe.product, "\x82\xA0", eceNone, eceEUC));
    EXPECT_EQ("\xE3\x81\x82", U_Encoding::translate(pe.product, "\x82\xA0", eceSJIS, eceUTF));
    // EUC to JIS and back.
    const std::string jis = U_Encoding::translate(pe.product, "a\xA4\xA2", eceEUC, eceNewJIS);
    EXPECT_EQ("a\x1B$B$\"", jis.substr(0, 6));
    EXPECT_EQ("a\xA4\xA2", U_Encoding::translate(pe.product, jis, eceNewJIS, eceEUC));
}

// A long text costs work linear in its length on the byte-translator path:
// the result is collected where it grows geometrically, never copied again
// every few bytes. Counted as the bytes allocated while translating, per
// byte of input and output, at two sizes sixteen times apart.
TEST(U_Encoding, LongTextCostsLinearWork)
{
    ProductEnvironment pe;
    struct Row {
        U_EncodingKind from;
        U_EncodingKind to;
        std::string unitIn;  // repeated to make the text
        std::string unitOut;
    };
    const Row rows[] = {
        {eceSJIS, eceEUC, "src/\x95\xB6.c \xB1;", "src/\xCA\xB8.c \x8E\xB1;"},
        {eceEUC, eceSJIS, "src/\xCA\xB8.c \x8E\xB1;", "src/\x95\xB6.c \xB1;"},
        {eceNone, eceEUC, "plain/name.c;", "plain/name.c;"},
    };
    for (const Row& r : rows) {
        for (std::size_t size : {std::size_t{16} << 10, std::size_t{256} << 10}) {
            std::string in, out;
            while (in.size() < size) {
                in += r.unitIn;
                out += r.unitOut;
            }
            const std::size_t before = testheap::bytesAllocated();
            const std::string translated = U_Encoding::translate(pe.product, in, r.from, r.to);
            const std::size_t allocated = testheap::bytesAllocated() - before;
            ASSERT_EQ(out, translated) << r.from << " to " << r.to << ", " << size << " bytes";
            EXPECT_LE(allocated, 4 * (in.size() + out.size()))
                << r.from << " to " << r.to << ", " << size << " bytes";
        }
    }
}
