#include "encoding/U_RcString.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

TEST(U_RcString, CapacityOfNewText)
{
    const struct {
        std::string text;
        std::uint64_t capacity;
    } rows[] = {
        {"", 16}, {std::string(14, 'x'), 16}, {std::string(15, 'x'), 32},
        {std::string(30, 'x'), 32}, {std::string(31, 'x'), 48},
    };
    for (const auto& r : rows) {
        const U_RcString s(r.text.c_str());
        EXPECT_EQ(r.capacity, s.capacity()) << r.text.size();
        EXPECT_EQ(r.text.size(), s.length());
        EXPECT_EQ(r.text, s.c_str());
    }
    EXPECT_EQ(16u, U_RcString().capacity());
    EXPECT_EQ(16u, U_RcString(nullptr).capacity());
}

TEST(U_RcString, GrowthByOneAndByMany)
{
    U_RcString s;
    for (int i = 0; i < 15; ++i)
        s += 'a';
    EXPECT_EQ(16u, s.capacity());
    s += 'b';  // 16th byte
    EXPECT_EQ(32u, s.capacity());
    EXPECT_EQ(std::string(15, 'a') + "b", s.c_str());

    // Growing by 20 from capacity 32 with 16 held: (32 + 20) down to 48, + 16.
    s += U_RcString(std::string(20, 'c').c_str());
    EXPECT_EQ(64u, s.capacity());
    EXPECT_EQ(36u, s.length());

    // Assigning a longer text grows by the difference: 16 + 20 -> 32 + 16.
    U_RcString t;
    t = std::string(20, 'd').c_str();
    EXPECT_EQ(48u, t.capacity());
    t = "short";  // in place: the capacity stays
    EXPECT_EQ(48u, t.capacity());
    EXPECT_STREQ("short", t.c_str());
}

TEST(U_RcString, Hash)
{
    EXPECT_EQ(0u, U_RcString().hash());
    EXPECT_EQ(0xFFFFFFFFFFFFFFFFull, U_RcString("\xFF").hash());
    EXPECT_EQ(0x672u, U_RcString("ab").hash());
    U_RcString s("a");
    s += 'b';
    EXPECT_EQ(0x672u, s.hash());
    s = "ab";
    EXPECT_EQ(0x672u, s.hash());
    U_RcString t("a");
    t += U_RcString("b");
    EXPECT_EQ(0x672u, t.hash());
    EXPECT_EQ(((0x61ull << 4) ^ 0xFFFFFFFFFFFFFF80ull), U_RcString("a\x80").hash());
}

TEST(U_RcString, CopyOnWrite)
{
    U_RcString a("abc");
    U_RcString b = a;
    EXPECT_EQ(a.c_str(), b.c_str());  // one representation
    b += 'd';
    EXPECT_STREQ("abc", a.c_str());
    EXPECT_STREQ("abcd", b.c_str());

    U_RcString c = a;
    c += a;
    EXPECT_STREQ("abc", a.c_str());
    EXPECT_STREQ("abcabc", c.c_str());

    U_RcString d = a;
    d = "xyz";  // shared: a new text, a keeps its own
    EXPECT_STREQ("abc", a.c_str());
    EXPECT_STREQ("xyz", d.c_str());

    U_RcString e;
    e = a;
    e = e;
    EXPECT_STREQ("abc", e.c_str());
}

TEST(U_RcString, AppendsItself)
{
    U_RcString s(std::string(15, 'x').c_str());
    s += s;  // grows while copying its own text
    EXPECT_EQ(std::string(30, 'x'), s.c_str());
    EXPECT_EQ(U_RcString(std::string(30, 'x').c_str()).hash(), s.hash());

    s = s.c_str() + 10;  // a tail of its own text
    EXPECT_EQ(std::string(20, 'x'), s.c_str());
}

TEST(U_RcString, ZeroByteIsNeverHeld)
{
    U_RcString s("ab");
    s += '\0';
    s += 'c';
    EXPECT_EQ(3u, s.length());
    EXPECT_STREQ("abc", s.c_str());
}

TEST(U_RcString, EqualityAndOutput)
{
    EXPECT_EQ(U_RcString("abc"), U_RcString("abc"));
    EXPECT_NE(U_RcString("abc"), U_RcString("abd"));
    EXPECT_NE(U_RcString("ab"), U_RcString("abc"));
    // Same hash and length, other bytes: 0x10 ^ 0x21 == 0x20 ^ 0x11.
    const U_RcString a("\x01\x21"), b("\x02\x11");
    EXPECT_EQ(a.hash(), b.hash());
    EXPECT_NE(a, b);
    std::ostringstream out;
    out << U_RcString("k\xA4\xA2");
    EXPECT_EQ("k\xA4\xA2", out.str());
}
