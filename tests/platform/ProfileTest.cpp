#include "platform/Profile.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

TEST(Profile, ReadsKeyOfSection)
{
    TempDir dir;
    const std::string ini = dir.write("ZXCPP.ini",
                                      "; comment\r\n"
                                      "[Other]\r\n"
                                      "KTW_LANG=wrong\r\n"
                                      "[ japanese ]\r\n"
                                      "  ktw_lang =  ja_JP.SJIS  \r\n"
                                      "Quoted=\"a b\"\n"
                                      "Long=" + std::string(150, 'x') + "\n"
                                      "[Japanese2]\n"
                                      "Late=1\n");
    struct Row {
        const char* section;
        const char* key;
        std::size_t buffer;
        std::string expected;
    };
    const Row rows[] = {
        {"Japanese", "KTW_LANG", 100, "ja_JP.SJIS"},
        {"JAPANESE", "Ktw_Lang", 100, "ja_JP.SJIS"},
        {"Japanese", "Quoted", 100, "a b"},
        {"Japanese", "Long", 100, std::string(99, 'x')},
        {"Japanese", "Late", 100, "dflt"},       // belongs to another section
        {"Japanese", "Missing", 100, "dflt"},
        {"Nowhere", "KTW_LANG", 100, "dflt"},
        {"Japanese", "KTW_LANG", 4, "ja_"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(r.expected, platform::readProfileString(r.section, r.key, "dflt", ini, r.buffer))
            << r.section << "/" << r.key;

    EXPECT_EQ("dflt", platform::readProfileString("Japanese", "KTW_LANG", "dflt", dir.file("none.ini"), 100));
    EXPECT_EQ("", platform::readProfileString("Japanese", "KTW_LANG", "", "ZXCPP.ini", 100));
}
