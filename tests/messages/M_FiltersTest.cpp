#include "cmdline/C_CmdArgs.h"
#include "cmdline/C_NamedFileRegistry.h"
#include "cmdline/C_Options.h"
#include "encoding/ProductEnvironment.h"
#include "messages/M_Diagnostic.h"
#include "messages/M_MessageFilter.h"
#include "messages/M_QuietFilter.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

// Gives option one value, as the parser does with a word.
void setOption(C_OptionBase* option, const std::string& value)
{
    std::istringstream words(value + "\n");
    option->parse(words, false);
}

// A ZXCPP command line in a product environment of its own.
class FilterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        C_NamedFileRegistry::clear();
        M_QuietFilter::resetCache();
        M_MessageFilter::reset();
    }
    void TearDown() override
    {
        C_NamedFileRegistry::clear();
        M_QuietFilter::resetCache();
        M_MessageFilter::reset();
    }

    ProductEnvironment pe;
    C_CmdArgs cmdArgs{"ZXCPP", 0, nullptr};
};

U_Filename file(const std::string& fullName)
{
    return U_Filename(fullName, fullName.substr(fullName.rfind('/') + 1));
}

} // namespace

TEST_F(FilterTest, MessageNumbersByOnlyAndNomsg)
{
    struct Row {
        const char* what;
        std::vector<std::string> only;
        std::vector<std::string> nomsg;
        std::vector<std::pair<std::int32_t, bool>> answers;
    };
    const std::vector<Row> rows = {
        {"neither option: everything passes", {}, {}, {{0, true}, {-7, true}, {2147483647, true}}},
        {"nomsg wins over only", {"10"}, {"10"}, {{10, false}}},
        {"only keeps its numbers", {"10,20"}, {}, {{15, false}, {20, true}, {10, true}}},
        {"nomsg drops its numbers", {}, {"5-7"}, {{5, false}, {6, false}, {8, true}}},
        {"a number listed twice counts once", {"3", "3"}, {"4", "4"}, {{3, true}, {4, false}, {5, false}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        C_CmdArgs line("ZXCPP", 0, nullptr);
        for (const std::string& v : row.only)
            setOption(line.options()->only(), v);
        for (const std::string& v : row.nomsg)
            setOption(line.options()->nomsg(), v);
        line.makeCurrent();
        M_MessageFilter::reset();
        for (const auto& [number, expected] : row.answers) {
            SCOPED_TRACE(number);
            EXPECT_EQ(expected, M_MessageFilter::accepts(U_RefPtr<M_Diagnostic>(new M_Diagnostic(number))));
            EXPECT_EQ(expected, M_MessageFilter::accepts(number));
        }
    }
}

TEST_F(FilterTest, NumberSetsAreTakenOnceAndKept)
{
    setOption(cmdArgs.options()->only(), "1");
    cmdArgs.makeCurrent();
    EXPECT_TRUE(M_MessageFilter::accepts(1));
    EXPECT_FALSE(M_MessageFilter::accepts(2));

    C_CmdArgs later("ZXCPP", 0, nullptr);
    setOption(later.options()->only(), "2");
    later.makeCurrent();
    EXPECT_FALSE(M_MessageFilter::accepts(2)) << "a later command line is not seen";
    EXPECT_TRUE(M_MessageFilter::accepts(U_RefPtr<M_Diagnostic>(new M_Diagnostic(2))))
        << "the diagnostic form builds its own sets on its own first call";

    const std::int32_t numbers[] = {5, 1, 5, -3};
    EXPECT_EQ((M_MessageFilter::NumberSet{-3, 1, 5}), M_MessageFilter::makeSet(std::begin(numbers), std::end(numbers)));
}

TEST_F(FilterTest, QuietFilesByPrefix)
{
    setOption(cmdArgs.options()->quiet(), "/src/lib");
    C_NamedFileRegistry::insert(file("/src/lib/named.c"));
    struct Row {
        const char* fullName;
        bool listed;
        bool quiet;
    };
    const std::vector<Row> rows = {
        {"/src/lib/a.c", true, true},
        {"/src/library.c", true, true},  // a plain text prefix
        {"/SRC/LIB/x.c", true, true},    // letter case ignored
        {"/src/li", false, false},
        {"/other/src/lib/a.c", false, false},
        {"/src/lib/named.c", true, false},  // named as an input file
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.fullName);
        EXPECT_EQ(row.listed, M_QuietFilter::matchesQuietList(cmdArgs, file(row.fullName)));
        EXPECT_EQ(row.quiet, M_QuietFilter::isQuiet(cmdArgs, file(row.fullName)));
    }
}

TEST_F(FilterTest, FindMatchGivesTheFirstPrefix)
{
    const std::vector<U_Filename> entries = {file("/a/b"), file("/a"), file("/c")};
    EXPECT_EQ(entries.begin(), M_QuietFilter::findMatch(entries.begin(), entries.end(), "/a/b/c.h"));
    EXPECT_EQ(entries.begin() + 1, M_QuietFilter::findMatch(entries.begin(), entries.end(), "/a/x.h"));
    EXPECT_EQ(entries.end(), M_QuietFilter::findMatch(entries.begin(), entries.end(), "/d/x.h"));
}

TEST_F(FilterTest, QuietAnswersAreCachedPerSlot)
{
    const U_Filename first = file("/q/cached.c");
    // Another file in the same slot.
    U_Filename rival;
    for (int i = 0; !rival.isValid(); ++i) {
        const U_Filename candidate = file("/q/rival" + std::to_string(i) + ".c");
        if (M_QuietFilter::cacheSlot(candidate) == M_QuietFilter::cacheSlot(first))
            rival = candidate;
    }

    EXPECT_FALSE(M_QuietFilter::isQuiet(cmdArgs, first));
    setOption(cmdArgs.options()->quiet(), "/q");
    EXPECT_FALSE(M_QuietFilter::isQuiet(cmdArgs, first)) << "answered from the cache";
    EXPECT_FALSE(M_QuietFilter::isQuiet(cmdArgs, U_Filename("/Q/CACHED.C", "other name")))
        << "one full name in another spelling is the same entry";
    EXPECT_TRUE(M_QuietFilter::isQuiet(cmdArgs, rival)) << "worked out: evicts the first";
    EXPECT_TRUE(M_QuietFilter::isQuiet(cmdArgs, first)) << "worked out afresh after the eviction";

    C_CmdArgs fresh("ZXCPP", 0, nullptr);
    setOption(fresh.options()->debug(), "always-first");
    EXPECT_FALSE(M_QuietFilter::isQuiet(fresh, first)) << "always-first ignores the cached answer";
    EXPECT_TRUE(M_QuietFilter::isQuiet(cmdArgs, first)) << "and leaves nothing a later call could take";
}

TEST_F(FilterTest, LocationFormUsesTheCurrentCommandLine)
{
    setOption(cmdArgs.options()->quiet(), "/loc");
    cmdArgs.makeCurrent();
    EXPECT_TRUE(M_QuietFilter::isQuiet(U_Location::create(file("/loc/a.c"), 1, 1)));
    EXPECT_FALSE(M_QuietFilter::isQuiet(U_Location::create(file("/elsewhere/a.c"), 1, 1)));
    EXPECT_FALSE(M_QuietFilter::isQuiet(U_Location()));
}
