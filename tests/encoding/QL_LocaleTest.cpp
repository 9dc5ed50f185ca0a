#include "encoding/QL_Locale.h"
#include "encoding/QL_TranslateException.h"
#include "encoding/U_EncodingKind.h"

#include <gtest/gtest.h>

TEST(U_EncodingKind, Names)
{
    const char* const names[] = {"eceInvalid", "eceNone",   "eceEUC",    "eceSJIS",
                                 "eceOldJIS",  "eceNewJIS", "eceNECJIS", "eceUTF"};
    for (int kind = 0; kind < 8; ++kind)
        EXPECT_EQ(names[kind], U_Encoding::kindName(kind));
    EXPECT_EQ("Unknown Endcoding Kind", U_Encoding::kindName(8));
    EXPECT_EQ("Unknown Endcoding Kind", U_Encoding::kindName(-1));
}

TEST(QL_Locale, EncodingKindOfLocale)
{
    struct Row {
        const char* locale;
        const char* encoding;
        U_EncodingKind kind;
    };
    const Row rows[] = {
        {"ja", "EUC-JP", eceEUC},
        {"ja_JP.eucJP", "EUC-JP", eceEUC},
        {"JA_jp.utf-8", "UTF-8", eceUTF},        // upper-case rule
        {"ja_JP.UTF8", "UTF-8", eceUTF},
        {"de_DE.euc", "EUC-JP", eceEUC},         // code-set rule, whatever the language
        {"ja_JP.sjis", "ja_JP.sjis", eceNone},   // not in the table, no rule
        {"Ja_JP", "Shift_JIS", eceSJIS},
        {"Shift_JIS", "Shift_JIS", eceSJIS},     // an encoding named directly
        {"ja_JP.UTF-8", "UTF-8", eceUTF},
        {"en_US.UTF-8", "en_US.UTF-8", eceNone}, // only ja_JP. gets the UTF-8 rule
        {"C.UTF-8", "C.UTF-8", eceNone},
        {"default", "default", eceNone},
        {"", "", eceNone},
    };
    for (int pass = 0; pass < 2; ++pass) {  // the second pass answers from the map
        for (const Row& r : rows) {
            EXPECT_EQ(r.encoding, QL_Locale::encodingName(r.locale)) << r.locale;
            EXPECT_EQ(r.kind, QL_Locale::encodingKind(r.locale)) << r.locale;
        }
    }
}

TEST(QL_TranslateException, MessagesAndCodes)
{
    QL_TranslateFileOpenException first("copies/a");
    EXPECT_STREQ("Cannot open file: 'copies/a'.", first.what());
    QL_TranslateFileOpenException second("copies/b");
    EXPECT_STREQ("Cannot open file: 'copies/b'.", first.what());
    EXPECT_EQ(10, first.code());
    EXPECT_FALSE(first.hasCode());

    QL_InvalidEncodingException invalid;
    EXPECT_STREQ("InvalidEncoding", invalid.what());
    EXPECT_EQ(10, invalid.code());
    try {
        throw QL_TranslateFileOpenException("x");
    } catch (const C_ConfigurationException& e) {
        EXPECT_STREQ("Cannot open file: 'x'.", e.what());
    }
}
