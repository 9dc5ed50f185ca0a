#include "util/U_Filename.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>

TEST(U_FilenameString, CaseFoldedInterning)
{
    U_FilenameString first("Src/A.c");
    U_FilenameString second(std::string("src/a.C"));
    EXPECT_EQ(first, second);
    EXPECT_EQ("Src/A.c", second.str());
    EXPECT_STREQ("Src/A.c", second.c_str());

    EXPECT_NE(U_FilenameString("x.c"), U_FilenameString("x.cc"));
    // An accented letter in two cases of an 8-bit encoding stays two entries.
    EXPECT_NE(U_FilenameString("\xC4.c"), U_FilenameString("\xE4.c"));
    // "[" lies between "Z" and "a": it must not fold onto a letter.
    EXPECT_NE(U_FilenameString("[.c"), U_FilenameString("{.c"));

    U_FilenameString none;
    EXPECT_FALSE(none.isValid());
    EXPECT_EQ("", none.str());
    U_FilenameString empty("");
    EXPECT_TRUE(empty.isValid());
    EXPECT_NE(none, empty);
}

// A name read from a message file is a counted string: every byte is kept
// and handed back, NULs too, and names that differ after a NUL are two.
TEST(U_Filename, StoredNamesKeepEveryByte)
{
    const std::string fullA("/p/x\0a", 6), fullB("/p/x\0b", 6), given("x\0a", 3);
    const U_Filename a(fullA, given);
    const U_Filename b(fullB, given);
    EXPECT_NE(a, b);
    EXPECT_NE(a, U_Filename("/p/x", "x"));
    EXPECT_EQ(fullA, a.storedFullName());
    EXPECT_EQ(fullA, a.fullName());
    EXPECT_EQ(given, a.storedName());
    EXPECT_EQ(given, a.name());
    EXPECT_EQ(fullB, b.fullNameHandle().str());
    std::ostringstream shown;
    shown << b.fullNameHandle();
    EXPECT_EQ(fullB, shown.str());
}

TEST(FilenameStringCompare, Order)
{
    struct Row {
        std::string a;
        std::string b;
        int sign;
    };
    const Row rows[] = {
        {"a.c", "a.cc", -1},   // shorter first
        {"zz", "aaa", -1},     // length before bytes
        {"a.c", "b.c", -1},
        {"B.c", "a.c", 1},     // folded: b after a
        {"A.C", "a.c", 0},
        {"\xC4", "\xE4", -1},  // bytes above 127 as unsigned, unfolded
        {"\x7F", "\x80", -1},
        {"", "", 0},
    };
    for (const Row& r : rows) {
        const int got = FilenameStringCompare::compare(r.a.data(), r.a.size(), r.b.data(), r.b.size());
        EXPECT_EQ(r.sign, (got > 0) - (got < 0)) << r.a << " vs " << r.b;
        EXPECT_EQ(r.sign < 0, FilenameStringCompare()(r.a, r.b));
    }
}

TEST(U_Filename, IdentityIsFullNameOnly)
{
    U_Filename a("/Proj/Src/Main.c", "Src/Main.c");
    U_Filename b("/proj/src/main.c", "main.c");
    U_Filename c("/proj/src/other.c", "Src/Main.c");
    EXPECT_EQ(a, b);
    EXPECT_NE(a, c);
    std::set<U_Filename> files{a, b, c};
    EXPECT_EQ(2u, files.size());
    EXPECT_EQ("/Proj/Src/Main.c", b.storedFullName());
    EXPECT_EQ("main.c", b.storedName());

    a.swap(c);
    EXPECT_EQ("/proj/src/other.c", a.storedFullName());
    EXPECT_EQ("Src/Main.c", c.storedName());
}
