#include "CmdlineEnvironment.h"
#include "cmdline/C_CmdArgs.h"
#include "cmdline/C_OptionExceptions.h"
#include "cmdline/C_Options.h"
#include "support/ScopedCurrentDirectory.h"
#include "util/U_ProductTable.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

namespace {

enum Product { kZxcpp = 0, kZxc = 1, kZxd = 2, kZxj = 3 };

std::vector<std::string> keywords(const C_OptionEntry* rows, std::uint32_t count)
{
    std::vector<std::string> words;
    for (std::uint32_t i = 0; i < count; ++i)
        words.push_back(rows[i].keyword);
    return words;
}

std::vector<std::string> lookupKeywords(int product)
{
    std::uint32_t count = 0;
    const C_OptionEntry* rows = C_OptionEntry::lookupTable(product, count);
    return keywords(rows, count);
}

bool contains(const std::vector<std::string>& words, const std::string& word)
{
    return std::find(words.begin(), words.end(), word) != words.end();
}

// Sets option from an attached value text.
void give(C_OptionBase* option, const std::string& value)
{
    std::istringstream words(value);
    option->set(words, true);
}

// The text of the option error that giving option value throws; "" when it
// throws none.
std::string errorOf(C_OptionBase* option, const std::string& value, bool attached = true)
{
    std::istringstream words(value);
    try {
        option->set(words, attached);
    } catch (const C_ConfigurationException& e) {
        return e.what();
    }
    return std::string();
}

} // namespace

TEST(KeywordTables, RowCountsMatchTheProductTableAndRowsAreInByteOrder)
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
        for (std::uint32_t r = 0; r < lookupCount; ++r)
            EXPECT_TRUE(lookup[r].keyword[0] >= 'a' && lookup[r].keyword[0] <= 'z') << lookup[r].keyword;
    }
    std::uint32_t count = 0;
    EXPECT_EQ(C_OptionEntry::lookupTable(kProductCount, count), nullptr);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(C_OptionEntry::settingsTable(-1, count), nullptr);
}

TEST(KeywordTables, VocabularyIsInByteOrderAndSettingsRowsAreOwnKeywords)
{
#define VANTREL_KEYWORD(member, keyword, Kind, defaultValue, products, listed) keyword,
    const char* const all[] = {VANTREL_OPTIONS(VANTREL_KEYWORD)};
#undef VANTREL_KEYWORD
    ASSERT_EQ(std::size(all), 149u);
    for (std::size_t i = 1; i < std::size(all); ++i)
        EXPECT_LT(std::strcmp(all[i - 1], all[i]), 0) << all[i];

    CmdlineEnvironment environment;
    C_CmdArgs cmdArgs("ZXCPP", 0, nullptr);
    std::uint32_t count = 0;
    const C_OptionEntry* rows = C_OptionEntry::settingsTable(kZxcpp, count);
    for (std::uint32_t r = 0; r < count; ++r)
        EXPECT_EQ(C_OptionEntry::apply(*cmdArgs.options(), rows[r])->name(), rows[r].keyword);
}

TEST(KeywordTables, WhichProductKnowsWhat)
{
    struct Known {
        const char* word;
        bool zxcpp, zxc, zxd, zxj;
    };
    const std::vector<Known> cases = {
        {"i", true, true, false, false},          {"k+r", false, true, false, false},
        {"keywords", true, false, false, false},  {"kw", true, false, false, false},
        {"pluginpath", false, false, true, false}, {"rec", false, false, false, true},
        {"zxcppoption", true, true, true, true},  {"c++03a", true, false, false, false},
    };
    for (const Known& c : cases) {
        SCOPED_TRACE(c.word);
        EXPECT_EQ(contains(lookupKeywords(kZxcpp), c.word), c.zxcpp);
        EXPECT_EQ(contains(lookupKeywords(kZxc), c.word), c.zxc);
        EXPECT_EQ(contains(lookupKeywords(kZxd), c.word), c.zxd);
        EXPECT_EQ(contains(lookupKeywords(kZxj), c.word), c.zxj);
    }
    const std::vector<std::string> zxcpp = lookupKeywords(kZxcpp);
    const auto at = [&](const char* word) { return std::find(zxcpp.begin(), zxcpp.end(), word) - zxcpp.begin(); };
    EXPECT_EQ(at("c++03a") + 1, at("c++03auto"));
    EXPECT_EQ(at("cc") + 1, at("cmaf"));
    EXPECT_EQ(at("cmaf") + 1, at("completeclasses"));
}

TEST(FindOption, LongestCaseInsensitivePrefixOfTheProductsWords)
{
    CmdlineEnvironment environment;
    struct Lookup {
        int product;
        const char* text;
        const char* keyword;  // the option found, null for none
        int matched;
    };
    const std::vector<Lookup> cases = {
        {kZxcpp, "outputpath=x", "outputpath", 10},
        {kZxcpp, "opx", "outputpath", 2},
        {kZxcpp, "one", "onelineonly", 3},
        {kZxcpp, "oz", "only", 1},
        {kZxcpp, "HELP", "help", 4},
        {kZxcpp, "tabstopx", "tabstop", 7},
        {kZxcpp, "c++03autox", "c++03auto", 9},
        {kZxcpp, "keywords", "keywords", 8},
        {kZxc, "keywords", nullptr, 0},
        {kZxc, "k+r", "k+r", 3},
        {kZxc, "i/usr/include", "i", 1},
        {kZxd, "i/usr/include", nullptr, 0},
        {kZxd, "pluginpath", "pluginpath", 10},
        {kZxj, "recx", "syntaxreccmds", 3},
        {kZxcpp, "", nullptr, 0},
        {kZxcpp, "-", nullptr, 0},
        {kZxcpp, "qq", "quiet", 1},
        {kZxd, "qq", nullptr, 0},
    };
    for (const Lookup& c : cases) {
        SCOPED_TRACE(std::string(kProductTable[c.product].name) + " " + c.text);
        C_CmdArgs cmdArgs(kProductTable[c.product].name, 0, nullptr);
        std::uint32_t count = 0;
        const C_OptionEntry* rows = C_OptionEntry::lookupTable(c.product, count);
        int matched = -1;
        C_OptionBase* option = cmdArgs.findOption(c.text, matched, rows, static_cast<int>(count));
        EXPECT_EQ(matched, c.matched);
        if (!c.keyword) {
            EXPECT_EQ(option, nullptr);
            continue;
        }
        ASSERT_NE(option, nullptr);
        EXPECT_EQ(option->name(), c.keyword);
    }
}

TEST(FindOption, AnAliasYieldsTheOptionItselfWhoseErrorsNameItsKeyword)
{
    CmdlineEnvironment environment;
    C_CmdArgs cmdArgs("ZXCPP", 0, nullptr);
    std::uint32_t count = 0;
    const C_OptionEntry* rows = C_OptionEntry::lookupTable(kZxcpp, count);
    int matched = 0;
    C_OptionBase* option = cmdArgs.findOption("op", matched, rows, static_cast<int>(count));
    ASSERT_EQ(option, cmdArgs.options()->outputpath());
    EXPECT_EQ(errorOf(option, "", false), "\nERROR: Argument expected after outputpath\n\n");
}

TEST(Forget, ReturnsTheNamedOptionToItsDefault)
{
    CmdlineEnvironment environment;
    C_CmdArgs cmdArgs("ZXC", 0, nullptr);
    C_Options& options = *cmdArgs.options();
    give(options.tabstop(), "4");
    give(options.remark(), "a");
    give(options.forgetall(), "tabstopx");
    EXPECT_EQ(options.tabstop()->value(), 8);
    EXPECT_FALSE(options.tabstop()->isSet());
    give(options.forgetall(), "REM");
    EXPECT_TRUE(options.remark()->values().empty());
    EXPECT_FALSE(options.remark()->isSet());

    EXPECT_EQ(errorOf(options.forgetall(), "zz"), "\nERROR: zz is not a valid argument for option: forgetall\n\n");
}

TEST(Forget, ACopiedOptionSetReportsTheValueInsteadOfCrashing)
{
    CmdlineEnvironment environment;
    C_CmdArgs cmdArgs("ZXC", 0, nullptr);
    C_CmdArgs copy(cmdArgs);
    give(copy.options()->tabstop(), "4");
    EXPECT_EQ(errorOf(copy.options()->forgetall(), "tabstop"),
              "\nERROR: tabstop is not a valid argument for option: forgetall\n\n");
    EXPECT_EQ(copy.options()->tabstop()->value(), 4);
}

TEST(CmdArgs, CopyAndCurrentCommandLineShareNoValues)
{
    CmdlineEnvironment environment;
    char arg0[] = "file.c";
    char* argv[] = {arg0};
    C_CmdArgs cmdArgs("ZXC", 1, argv);
    ASSERT_NE(cmdArgs.options(), nullptr);
    EXPECT_EQ(cmdArgs.product().index(), kZxc);
    EXPECT_EQ(cmdArgs.options()->style()->value(), "exdented");
    EXPECT_TRUE(cmdArgs.options()->expandfilenames()->value());
    give(cmdArgs.options()->outputpath(), "out");

    const C_CmdArgs copy(cmdArgs);
    EXPECT_EQ(copy.options()->outputpath()->value(), "out");
    EXPECT_TRUE(copy.options()->outputpath()->isSet());
    EXPECT_EQ(copy.options()->tabstop()->value(), 8);
    EXPECT_FALSE(copy.options()->tabstop()->isSet());
    EXPECT_EQ(copy.options()->refCount(), 1u);

    cmdArgs.makeCurrent();
    C_CmdArgs* current = C_CmdArgs::current();
    ASSERT_NE(current, nullptr);
    EXPECT_NE(current, &cmdArgs);
    EXPECT_EQ(U_Product::selectedIndex(), kZxc);
    EXPECT_EQ(C_Options::current_outputpath()->value(), "out");
    give(cmdArgs.options()->outputpath(), "elsewhere");
    EXPECT_EQ(C_Options::current_outputpath()->value(), "out");
    give(current->options()->tabstop(), "2");
    EXPECT_EQ(cmdArgs.options()->tabstop()->value(), 8);

    C_CmdArgs("ZXCPP", 0, nullptr).makeCurrent();
    EXPECT_EQ(U_Product::selectedIndex(), kZxcpp);
    EXPECT_EQ(C_Options::current_outputpath()->value(), "");
}

TEST(CmdArgs, InvalidProductHasNoOptions)
{
    const C_CmdArgs cmdArgs("NOPE", 0, nullptr);
    EXPECT_EQ(cmdArgs.options(), nullptr);
    EXPECT_FALSE(C_CmdArgs::hasDebugFlag(cmdArgs, "sort-messages"));
}

TEST(DebugFlags, EachValueIsOneFlagComparedExactly)
{
    CmdlineEnvironment environment;
    C_CmdArgs cmdArgs("ZXCPP", 0, nullptr);
    give(cmdArgs.options()->debug(), "sort-messages,showInclLoc");
    give(cmdArgs.options()->debug(), "showCallLoc");
    give(cmdArgs.options()->debug(), "noVirtualMemoryLimit");
    const std::vector<std::pair<const char*, bool>> cases = {
        {"sort-messages", false}, {"showInclLoc", false}, {"showCallLoc", true},
        {"showcallloc", false},   {"showCall", false},    {"noVirtualMemoryLimit", true},
    };
    for (const auto& [flag, expected] : cases) {
        SCOPED_TRACE(flag);
        EXPECT_EQ(C_Options::hasDebugFlag(*cmdArgs.options(), flag), expected);
        EXPECT_EQ(C_CmdArgs::hasDebugFlag(cmdArgs, flag), expected);
    }
    cmdArgs.makeCurrent();
    EXPECT_TRUE(C_CmdArgs::currentHasDebugFlag("showCallLoc"));
    EXPECT_FALSE(C_CmdArgs::currentHasDebugFlag("sort-messages"));
}

TEST(DisplayName, FollowsExpandFilenamesOfTheGivenOrCurrentCommandLine)
{
    CmdlineEnvironment environment;
    TempDir work;
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(work.file("inc"))));
    ScopedCurrentDirectory inWork(work.path());
    C_CmdArgs cmdArgs("ZXC", 0, nullptr);
    C_OptionFilenameList* list = cmdArgs.options()->i();
    give(list, "inc\\a.h");
    const U_Filename file = list->values().at(0);
    EXPECT_EQ(U_Filename::displayName(false, file), "inc/a.h");
    EXPECT_EQ(file.fullName(), work.file("inc/a.h"));
    EXPECT_EQ(U_Filename::displayName(true, file), file.fullName());
    EXPECT_EQ(list->toString(&cmdArgs), file.fullName() + ", ");

    give(cmdArgs.options()->expandfilenames(), "-");
    EXPECT_EQ(cmdArgs.options()->displayName(file), "inc/a.h");
    EXPECT_EQ(list->toString(&cmdArgs), "inc/a.h, ");
    cmdArgs.makeCurrent();
    EXPECT_EQ(U_Filename::displayName(file), "inc/a.h");
    EXPECT_EQ(list->toString(), "inc/a.h, ");
}

TEST(KeywordTables, OptionsStartAtTheirDefaults)
{
    CmdlineEnvironment environment;
    struct Default {
        int product;
        const char* word;
        std::string printed;
    };
    const std::vector<Default> cases = {
        {kZxcpp, "tabstop", "8"},         {kZxcpp, "mrtnd", "200"},        {kZxcpp, "pphversion", "1"},
        {kZxcpp, "nogen", "+ (on)"},      {kZxcpp, "showalias", "+ (on)"}, {kZxcpp, "duc99dilt", "+ (on)"},
        {kZxcpp, "rvaluerefbind", "+ (on)"}, {kZxcpp, "help", "- (off)"}, {kZxcpp, "liw", "0"},
        {kZxc, "style", "exdented"},      {kZxc, "heap", "512"},           {kZxc, "namelength", "31"},
        {kZxc, "xnamelength", "6"},       {kZxc, "strict", "+ (on)"},      {kZxc, "ss", "+ (on)"},
        {kZxd, "metrics", "+ (on)"},      {kZxd, "ef", "+ (on)"},          {kZxj, "maxcount", "0"},
        {kZxj, "nomsg", ""},              {kZxj, "prodoption", ""},        {kZxj, "via", ""},
    };
    for (const Default& c : cases) {
        SCOPED_TRACE(c.word);
        C_CmdArgs cmdArgs(kProductTable[c.product].name, 0, nullptr);
        std::uint32_t count = 0;
        const C_OptionEntry* rows = C_OptionEntry::lookupTable(c.product, count);
        int matched = 0;
        C_OptionBase* option = cmdArgs.findOption(c.word, matched, rows, static_cast<int>(count));
        ASSERT_NE(option, nullptr);
        EXPECT_EQ(matched, static_cast<int>(std::strlen(c.word)));
        EXPECT_EQ(option->toString(), c.printed);
        EXPECT_FALSE(option->isSet());
    }
}
