#include "util/U_Env.h"
#include "util/U_Exception.h"
#include "util/U_Product.h"

#include "support/ScopedEnv.h"

#include <gtest/gtest.h>

TEST(U_Product, Find)
{
    struct Row {
        const char* name;
        std::int32_t index;
    };
    const Row rows[] = {
        {"zxc++", 0},     {"ZxCpP", 0},       {"ZXCPP", 0},         {"zxc", 1},       {"ZXD", 2},
        {"zxj", 3},       {"ZXC+", -1},       {"", -1},             {"zx", -1},       {"ZXCPPX", -1},
        {"ZXCPP    ", -1}, {"zxcppzxcpp", -1}, {"ZXC\xC3", -1},
    };
    for (const Row& r : rows)
        EXPECT_EQ(r.index, U_Product::find(r.name)) << r.name;
}

TEST(U_Product, ValidProductBecomesCurrent)
{
    const U_Product plus("zxc++");
    EXPECT_TRUE(plus.isValid());
    EXPECT_EQ(0, plus.index());
    EXPECT_EQ("zxc++", plus.givenName());
    const U_Product* held = &U_Product::current();
    EXPECT_NE(&plus, held);  // a copy is held
    EXPECT_EQ("zxc++", held->givenName());

    const U_Product bad("nope");
    EXPECT_FALSE(bad.isValid());
    EXPECT_EQ(-1, bad.index());
    EXPECT_EQ("nope", bad.givenName());
    const U_Product none(nullptr);
    EXPECT_FALSE(none.isValid());
    EXPECT_EQ("", none.givenName());
    const U_Product copy(plus);
    EXPECT_EQ(0, copy.index());
    EXPECT_EQ(held, &U_Product::current());  // neither changed it
    EXPECT_EQ("zxc++", U_Product::current().givenName());

    const U_Product zxc("ZXC");
    EXPECT_EQ(1, U_Product::current().index());
    EXPECT_EQ("ZXC", U_Product::current().givenName());
}

TEST(U_Product, SelectedIndexIsSeparate)
{
    EXPECT_EQ(-1, U_Product::selectedIndex());
    U_Product::setSelectedIndex(2);
    const U_Product zxj("ZXJ");
    EXPECT_EQ(2, U_Product::selectedIndex());
    U_Product::setSelectedIndex(-1);
    EXPECT_EQ(-1, U_Product::selectedIndex());
}

TEST(U_Product, Columns)
{
    struct Row {
        const char* name;
        const char* rowName;
        const char* bin;
        const char* lower;
        const char* out;
        const char* temp;
        const char* help;
        std::uint32_t keywords;
        std::uint32_t settings;
    };
    const Row rows[] = {
        {"zxcpp", "ZXCPP", "ZXCPPBIN", "zxcpp", "ZXCPPOUTPATH", "ZXCPPTEMPFILES", "ZXCPPHELPFILES", 234, 85},
        {"Zxc", "ZXC", "ZXCBIN", "zxc", "ZXCOUTPATH", "ZXCTEMPFILES", "ZXCHELPFILES", 166, 74},
        {"zxd", "ZXD", "ZXDBIN", "zxd", "ZXDOUTPATH", "ZXDTEMPFILES", "ZXDHELPFILES", 103, 41},
        {"zxj", "ZXJ", "ZXJBIN", "zxj", "ZXJOUTPATH", "ZXJTEMPFILES", "ZXJHELPFILES", 107, 44},
    };
    for (const Row& r : rows) {
        const U_Product p(r.name);
        EXPECT_EQ(r.rowName, U_Product::name(p));
        EXPECT_EQ(r.bin, U_Product::binVariable(p));
        EXPECT_EQ(r.lower, U_Product::lowerName(p));
        EXPECT_EQ(r.lower, U_Product::rcName(p));
        EXPECT_EQ(r.out, U_Product::outPathVariable(p));
        EXPECT_EQ(r.temp, U_Product::tempFilesVariable(p));
        EXPECT_EQ(r.help, U_Product::helpFilesVariable(p));
        ASSERT_NE(nullptr, p.row());
        EXPECT_EQ(r.keywords, p.row()->keywordCount);
        EXPECT_EQ(r.settings, p.row()->settingsCount);
    }
    EXPECT_EQ(nullptr, kProductTable[kProductCount].name);
    const U_Product bad("nope");
    EXPECT_EQ(nullptr, bad.row());
    EXPECT_EQ("", U_Product::name(bad));
    EXPECT_EQ("", U_Product::binVariable(bad));
}

TEST(U_Env, BinDirectory)
{
    const U_Product zxc("ZXC");
    {
        ScopedEnv env("ZXCBIN", std::string("C:\\opt\\tool\\bin"));
        EXPECT_EQ("C:/opt/tool/bin", U_Env::binDirectory(zxc));
    }
    {
        ScopedEnv env("ZXCBIN", std::string(""));
        EXPECT_EQ("", U_Env::binDirectory(zxc));
    }
    {
        ScopedEnv env("ZXCBIN", std::nullopt);
        ScopedEnv other("ZXCPPBIN", std::string("/opt/zxcpp"));  // another product's variable does not count
        try {
            U_Env::binDirectory(zxc);
            ADD_FAILURE() << "no exception";
        } catch (const C_ConfigurationException& e) {
            EXPECT_STREQ("\nERROR: ZXCBIN environment variable not found\n", e.what());
            EXPECT_EQ(10, e.code());
            EXPECT_FALSE(e.hasCode());
        }
        EXPECT_EQ("/opt/zxcpp", U_Env::binDirectory(U_Product("zxc++")));
    }
}
