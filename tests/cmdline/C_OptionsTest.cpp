#include "cmdline/C_CmdArgs.h"
#include "cmdline/C_Options.h"
#include "util/U_ProductTable.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

TEST(KeywordTables, RowCountsMatchTheProductTable)
{
    for (int i = 0; i < kProductCount; ++i) {
        SCOPED_TRACE(kProductTable[i].name);
        std::uint32_t lookupCount = 0;
        std::uint32_t settingsCount = 0;
        const C_OptionEntry* lookup = C_OptionEntry::lookupTable(i, lookupCount);
        const C_OptionEntry* settings = C_OptionEntry::settingsTable(i, settingsCount);
        ASSERT_NE(lookup, nullptr);
        ASSERT_NE(settings, nullptr);
        EXPECT_EQ(lookupCount, kProductTable[i].keywordCount);
        EXPECT_EQ(settingsCount, kProductTable[i].settingsCount);
        for (std::uint32_t r = 1; r < lookupCount; ++r)
            EXPECT_LT(std::strcmp(lookup[r - 1].keyword, lookup[r].keyword), 0) << lookup[r].keyword;
        for (std::uint32_t r = 1; r < settingsCount; ++r)
            EXPECT_LT(std::strcmp(settings[r - 1].keyword, settings[r].keyword), 0) << settings[r].keyword;
    }
}

TEST(CmdArgs, ValidProductHasOptionsAtTheirDefaults)
{
    char arg0[] = "-op";
    char* argv[] = {arg0};
    C_CmdArgs cmdArgs("ZXC", 1, argv);
    ASSERT_NE(cmdArgs.options(), nullptr);
    EXPECT_EQ(cmdArgs.options()->tabstop()->value(), 8);
    EXPECT_FALSE(cmdArgs.options()->tabstop()->isSet());
    EXPECT_EQ(cmdArgs.options()->style()->value(), "exdented");
    EXPECT_TRUE(cmdArgs.options()->expandfilenames()->value());
}
