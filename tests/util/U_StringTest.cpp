#include "util/U_String.h"

#include <gtest/gtest.h>

#include <climits>

TEST(U_String, CompareNoCase)
{
    struct Row {
        std::string a;
        std::string b;
        std::size_t n;
        int sign;
    };
    const Row rows[] = {
        {"ZXCPP", "zxcpp", 5, 0},
        {"-VERSION", "-ver", 4, 0},   // only n characters count
        {"-vex", "-ver", 4, 1},
        {"abc", "abcd", 4, -1},       // the end of the shorter comes first
        {"abc", "abcd", 3, 0},
        {"\xC4", "\xE4", 1, -1},      // bytes above 127 compare as they are
        {"_", "a", 1, -1},            // '_' (0x5F) stays below 'a' (0x61), unlike 'A'
        {"x", "y", 0, 0},
    };
    for (const Row& r : rows) {
        const int got = U_String::compareNoCase(r.a, r.b, r.n);
        EXPECT_EQ(r.sign, (got > 0) - (got < 0)) << r.a << " vs " << r.b << " n=" << r.n;
    }
}

TEST(U_String, StringToInt)
{
    struct Row {
        std::string text;
        std::int32_t value;
    };
    const Row rows[] = {
        {"42", 42},
        {"12abc", 12},
        {"  -7", -7},
        {"\t\n+15", 15},
        {"abc", 0},
        {"", 0},
        {"0x1F", 0},
        {"-", 0},
        {"- 5", 0},
        {"99999999999", 0},
        {"2147483647", INT_MAX},
        {"2147483648", 0},
        {"-2147483648", INT_MIN},
        {"-2147483649", 0},
        {"000000000000000000000123", 123},
        {"12 34", 12},
    };
    for (const Row& r : rows)
        EXPECT_EQ(r.value, U_StringToInt(r.text)) << '"' << r.text << '"';
}

TEST(U_String, IntToStringAndByteValue)
{
    EXPECT_EQ("0", U_IntToString(0));
    EXPECT_EQ("-42", U_IntToString(-42));
    EXPECT_EQ("-2147483648", U_IntToString(INT_MIN));
    EXPECT_EQ("2147483647", U_IntToString(INT_MAX));
    EXPECT_EQ(255, U_String::byteValue('\xFF'));
    EXPECT_EQ(128, U_String::byteValue('\x80'));
    EXPECT_EQ(65, U_String::byteValue('A'));
}
