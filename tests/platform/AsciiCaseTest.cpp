#include "platform/AsciiCase.h"

#include <gtest/gtest.h>

TEST(AsciiCase, FoldsOnlyAToZ)
{
    EXPECT_EQ('a', platform::asciiToLower('A'));
    EXPECT_EQ('z', platform::asciiToLower('Z'));
    EXPECT_EQ('[', platform::asciiToLower('['));
    EXPECT_EQ('@', platform::asciiToLower('@'));
    EXPECT_EQ(static_cast<char>(0xC4), platform::asciiToLower(static_cast<char>(0xC4)));
    EXPECT_EQ('A', platform::asciiToUpper('a'));
    EXPECT_EQ(static_cast<char>(0xE4), platform::asciiToUpper(static_cast<char>(0xE4)));
}

TEST(AsciiCase, CompareNoCase)
{
    struct Row {
        const char* a;
        const char* b;
        std::size_t n;
        int sign;
    };
    const Row rows[] = {
        {"ZXCPP", "zxcpp", 5, 0},
        {"abc", "abd", 3, -1},
        {"abd", "ABC", 3, 1},
        {"abcX", "ABCy", 3, 0},       // only n bytes count
        {"ab", "abc", 3, -1},         // the NUL of the shorter one comes first
        {"\xC4", "\xE4", 1, -1},      // bytes above 127 are not folded
        {"[", "a", 1, -1},            // '[' (0x5B) is not a letter: no folding
        {"", "", 4, 0},
    };
    for (const Row& r : rows) {
        const int got = platform::asciiCompareNoCase(r.a, r.b, r.n);
        EXPECT_EQ(r.sign, (got > 0) - (got < 0)) << r.a << " vs " << r.b;
    }
}

TEST(AsciiCase, SpaceIsAsciiWhiteSpaceOnly)
{
    for (int c = 0; c < 256; ++c) {
        const bool space = c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
        EXPECT_EQ(space, platform::isAsciiSpace(static_cast<char>(c))) << c;  // 0x85 and 0xA0 are no space
    }
}
