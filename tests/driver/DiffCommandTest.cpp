#include "driver/DiffCommand.h"

#include <gtest/gtest.h>

namespace {

struct ValuesRow {
    const char* what;
    QString name;
    QString root;
    QString ident;
    // F f D R Rd B Bd T
    QStringList expected;
};

TEST(DiffCommandTest, PlaceholderValues)
{
    const std::vector<ValuesRow> rows = {
        {"under the root", "/devel/proj/src/file.c", "/devel", "TAG",
         {"/devel/proj/src/file.c", "file.c", "/devel/proj/src", "%ROOTPATH%/proj/src/file.c",
          "%ROOTPATH%/proj/src", "proj/src/file.c", "proj/src", "TAG"}},
        {"no root", "/devel/proj/src/file.c", "", "",
         {"/devel/proj/src/file.c", "file.c", "/devel/proj/src", "/devel/proj/src/file.c", "/devel/proj/src",
          "/devel/proj/src/file.c", "/devel/proj/src", ""}},
        {"not under the root", "/other/file.c", "/devel", "",
         {"/other/file.c", "file.c", "/other", "/other/file.c", "/other", "/other/file.c", "/other", ""}},
        {"directly under the root", "/devel/file.c", "/devel", "T",
         {"/devel/file.c", "file.c", "/devel", "%ROOTPATH%/file.c", "%ROOTPATH%", "file.c", "", "T"}},
        {"root in another letter case", "/Devel/Proj/a.c", "/dEVEL", "",
         {"/Devel/Proj/a.c", "a.c", "/Devel/Proj", "%ROOTPATH%/Proj/a.c", "%ROOTPATH%/Proj", "Proj/a.c", "Proj", ""}},
        {"root without a separator after it", "/dev/devel/x.c", "/dev/dev", "",
         {"/dev/devel/x.c", "x.c", "/dev/devel", "%ROOTPATH%el/x.c", "%ROOTPATH%el", "x.c", "", ""}},
        {"backslash and bar are name characters", "/r/a\\b|c.c", "/r", "",
         {"/r/a\\b|c.c", "a\\b|c.c", "/r", "%ROOTPATH%/a\\b|c.c", "%ROOTPATH%", "a\\b|c.c", "", ""}},
        {"quotes, blanks and %B in names", "/r/my \"q\" %BF.c", "/r", "id %BT \"x\"",
         {"/r/my \"q\" %BF.c", "my \"q\" %BF.c", "/r", "%ROOTPATH%/my \"q\" %BF.c", "%ROOTPATH%", "my \"q\" %BF.c",
          "", "id %BT \"x\""}},
    };
    for (const ValuesRow& row : rows) {
        SCOPED_TRACE(row.what);
        const DiffPlaceholderValues v = DiffCommand::values(row.name, row.root, row.ident);
        const QStringList got = {v.fullName,     v.fileName,        v.directory, v.rootedName, v.rootedDirectory,
                                 v.relativeName, v.relativeDirectory, v.ident};
        EXPECT_EQ(got, row.expected);
    }
}

TEST(DiffCommandTest, LookupKey)
{
    struct Row {
        QString name, root, key;
    };
    const std::vector<Row> rows = {
        {"/devel/a.c", "/devel", "$ROOTPATH/a.c"},
        {"/DEVEL/a.c", "/devel", "$ROOTPATH/a.c"},
        {"/devel/a.c", "/dev", "$ROOTPATHel/a.c"},
        {"/devel/a.c", "", "/devel/a.c"},
        {"/x/a.c", "/devel", "/x/a.c"},
        {"C:\\devel\\a.c", "C:/devel", "$ROOTPATH/a.c"},
        {"/dé/a.c", "/DÉ", "/dé/a.c"},  // only A-Z fold
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name.toStdString());
        EXPECT_EQ(DiffCommand::lookupKey(row.name, row.root), row.key);
    }
}

TEST(DiffCommandTest, ArgumentsAreSplitOnceAndSubstitutedInOnePass)
{
    const DiffPlaceholderValues v = DiffCommand::values("/r/my \"q\" %BF.c", "/r", "");
    struct Row {
        const char* what;
        QString command;
        QStringList arguments;
    };
    const std::vector<Row> rows = {
        {"plain", "diff %BF %BR", {"diff", "/r/my \"q\" %BF.c", "%ROOTPATH%/my \"q\" %BF.c"}},
        {"inside a word", "diff base/%BB %BF", {"diff", "base/my \"q\" %BF.c", "/r/my \"q\" %BF.c"}},
        {"empty ident is an empty argument", "tool %BT end", {"tool", "", "end"}},
        {"quoted template words", "\"my tool\" \"x %Bf y\"", {"my tool", "x my \"q\" %BF.c y"}},
        {"no placeholder", "tool -a -b", {"tool", "-a", "-b"}},
        {"unknown placeholder stays", "tool %BX %B", {"tool", "%BX", "%B"}},
        {"nothing", "", {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(DiffCommand::arguments(row.command, v), row.arguments);
    }
}

TEST(DiffCommandTest, LogTextQuotesEachValueOnce)
{
    const DiffPlaceholderValues v = DiffCommand::values("/devel/proj/src/file.c", "/devel", "%BF");
    EXPECT_EQ(DiffCommand::substitute("tandor %BF %BR \"/base/\" %BT", v, true),
              "tandor \"/devel/proj/src/file.c\" \"%ROOTPATH%/proj/src/file.c\" \"/base/\" \"%BF\"");
}

} // namespace
