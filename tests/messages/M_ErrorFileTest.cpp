#include "encoding/ProductEnvironment.h"
#include "messages/M_ErrorFile.h"
#include "messages/M_ErrorFileException.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

TEST(M_ErrorFile, Path)
{
    ProductEnvironment pe;
    struct Row {
        std::string directory, source, expected;
    };
    const std::vector<Row> rows = {
        {"out", "src/file.c", "out/file.c.err"},
        {"out", "dir/a.b.c", "out/a.b.c.err"},
        {"out", "plain", "out/plain.err"},
        {"/abs/out", "/x/y/main.cpp", "/abs/out/main.cpp.err"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.source);
        EXPECT_EQ(row.expected, M_ErrorFile::path(row.directory, row.source));
    }
}

TEST(M_ErrorFile, HexLeavesNoStreamInHexadecimal)
{
    struct Row {
        std::uint32_t id;
        const char* expected;
    };
    const std::vector<Row> rows = {{0x9300, "9300"}, {0x1234, "1234"}, {0, "0"}, {0xABCDEF01u, "abcdef01"},
                                   {0xFFFFFFFFu, "ffffffff"}, {0x7700, "7700"}};
    for (const Row& row : rows)
        EXPECT_EQ(row.expected, M_ErrorFile::hex(row.id));
    std::ostringstream out;
    out << M_ErrorFile::hex(0x1234) << " " << 255;
    EXPECT_EQ("1234 255", out.str());
    EXPECT_FALSE(M_ErrorFile::writeOldVersion);
}

TEST(M_ErrorFileException, Texts)
{
    struct Row {
        const char* what;
        std::string text;
        std::string expected;
    };
    const std::vector<Row> rows = {
        {"open", M_BadFileOpenException("/o/a.c.err").what(), "Cannot write error file '/o/a.c.err'."},
        {"version", M_BadErrorFileVersion(0x1234).what(), "Error file has incorrect version: 1234. Expected: 9300\n"},
        {"append", M_BadVersionForAppendException(0x7800).what(),
         "Cannot append to error file with incorrect version.  Error file has version: 7800. Expected: 9300\n"},
        {"record type", M_BadInfoTypeException().what(), "unknown error record type in error file"},
        {"list parameter", M_HasListParameterException().what(), "error file has string list parameter"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(row.expected, row.text);
    }

    // Each construction sets the shared user text; the base reports it.
    U_UserException("something else");
    const M_BadInfoTypeException bad;
    EXPECT_STREQ("UserException: don't know cause", M_ErrorFileException().what());
    std::ostringstream printed;
    bad.print(printed);
    EXPECT_EQ("unknown error record type in error file", printed.str());
}

TEST(M_ErrorFileException, EachClassKeepsOneTextRebuiltPerCall)
{
    const M_BadFileOpenException first("a");
    const M_BadFileOpenException second("b");
    EXPECT_STREQ("Cannot write error file 'a'.", first.what());
    EXPECT_STREQ("Cannot write error file 'b'.", second.what());
    EXPECT_STREQ("Cannot write error file 'a'.", first.what());
    // The shared user text is not what these report.
    U_UserException("other");
    EXPECT_STREQ("Cannot write error file 'b'.", second.what());
    EXPECT_STREQ("Error file has incorrect version: 9. Expected: 9300\n", M_BadErrorFileVersion(9).what());
}
