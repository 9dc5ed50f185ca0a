#include "driver/DiffCommand.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace {

using Words = std::vector<std::string>;

struct ValuesRow {
    const char* what;
    std::string name;
    std::string root;
    std::string ident;
    // F f D R Rd B Bd T
    Words expected;
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
        {"bytes that are no UTF-8 stay", "/r\xe9/caf\xe9.c", "/R\xe9", "T\xff",
         {"/r\xe9/caf\xe9.c", "caf\xe9.c", "/r\xe9", "%ROOTPATH%/caf\xe9.c", "%ROOTPATH%", "caf\xe9.c", "", "T\xff"}},
        {"only A-Z fold", "/d\xc3\xa9/a.c", "/D\xc3\x89", "",
         {"/d\xc3\xa9/a.c", "a.c", "/d\xc3\xa9", "/d\xc3\xa9/a.c", "/d\xc3\xa9", "/d\xc3\xa9/a.c", "/d\xc3\xa9", ""}},
        {"relative name, no directory", "a.c", "", "",
         {"a.c", "a.c", "", "a.c", "", "a.c", "", ""}},
    };
    for (const ValuesRow& row : rows) {
        SCOPED_TRACE(row.what);
        const DiffPlaceholderValues v = DiffCommand::values(row.name, row.root, row.ident);
        const Words got = {v.fullName,     v.fileName,          v.directory, v.rootedName, v.rootedDirectory,
                           v.relativeName, v.relativeDirectory, v.ident};
        EXPECT_EQ(got, row.expected);
    }
}

TEST(DiffCommandTest, LookupKey)
{
    struct Row {
        std::string name, root, key;
    };
    const std::vector<Row> rows = {
        {"/devel/a.c", "/devel", "$ROOTPATH/a.c"},
        {"/DEVEL/a.c", "/devel", "$ROOTPATH/a.c"},
        {"/devel/a.c", "/dev", "$ROOTPATHel/a.c"},
        {"/devel/a.c", "", "/devel/a.c"},
        {"/x/a.c", "/devel", "/x/a.c"},
        {"C:\\devel\\a.c", "C:/devel", "$ROOTPATH/a.c"},
        {"/d\xc3\xa9/a.c", "/D\xc3\x89", "/d\xc3\xa9/a.c"},  // only A-Z fold
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(DiffCommand::lookupKey(row.name, row.root), row.key);
    }
    EXPECT_EQ(DiffCommand::lookupKey(std::string("/r\xe9/caf\xe9.c"), std::string("/R\xe9")), "$ROOTPATH/caf\xe9.c");
    EXPECT_EQ(DiffCommand::lookupKey(std::string("/r\xe9/caf\xe9.c"), std::string("/r\xe8")), "/r\xe9/caf\xe9.c");
}

Words qtWords(const std::string& command)
{
    Words words;
    for (const QString& word : QProcess::splitCommand(QString::fromStdString(command)))
        words.push_back(word.toStdString());
    return words;
}

// Qt's splitter is the reference for valid text: every command of up to
// seven characters from word bytes, blanks, tabs and quotes, then rows that
// show the rules.
TEST(DiffCommandTest, SplitsLikeQtOverBytes)
{
    const char alphabet[] = {'a', '"', ' ', '\t'};
    std::vector<std::string> commands = {""};
    for (std::size_t start = 0, length = 1; length <= 7; ++length) {
        const std::size_t end = commands.size();
        for (std::size_t i = start; i < end; ++i) {
            for (char c : alphabet)
                commands.push_back(commands[i] + c);
        }
        start = end;
    }
    for (const std::string& command : commands)
        ASSERT_EQ(qtWords(command), DiffCommand::splitCommand(command)) << "[" << command << "]";

    struct Row {
        std::string command;
        Words words;
    };
    const std::vector<Row> rows = {
        {"diff  -u\t%BF\n%BR\r\v\f", {"diff", "-u", "%BF", "%BR"}},
        {"\"my tool\" \"\" x", {"my tool", "x"}},     // an empty quoted word is dropped
        {"\"\"\"q\"\"\"", {"\"q\""}},                 // three quotes are one literal quote
        {"a\"b c\"d", {"ab cd"}},
        {"\"open to the end", {"open to the end"}},
        {"   ", {}},
        {"\"\"", {}},
        {"caf\xe9 \xff\xfe", {"caf\xe9", "\xff\xfe"}},  // bytes of no encoding are word bytes
        {"a\xc2\xa0" "b", {"a\xc2\xa0" "b"}},          // white space is ASCII only
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.words, DiffCommand::splitCommand(row.command)) << "[" << row.command << "]";
}

TEST(DiffCommandTest, ArgumentsAreSplitOnceAndSubstitutedInOnePass)
{
    const DiffPlaceholderValues v = DiffCommand::values("/r/my \"q\" %BF.c", "/r", "");
    struct Row {
        const char* what;
        std::string command;
        Words arguments;
    };
    const std::vector<Row> rows = {
        {"plain", "diff %BF %BR", {"diff", "/r/my \"q\" %BF.c", "%ROOTPATH%/my \"q\" %BF.c"}},
        {"inside a word", "diff base/%BB %BF", {"diff", "base/my \"q\" %BF.c", "/r/my \"q\" %BF.c"}},
        {"empty ident is an empty argument", "tool %BT end", {"tool", "", "end"}},
        {"quoted template words", "\"my tool\" \"x %Bf y\"", {"my tool", "x my \"q\" %BF.c y"}},
        {"no placeholder", "tool -a -b", {"tool", "-a", "-b"}},
        {"unknown placeholder stays", "tool %BX %B", {"tool", "%BX", "%B"}},
        {"nothing", "", {}},
        {"blanks only", " \t ", {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(DiffCommand::arguments(row.command, v), row.arguments);
    }
    const DiffPlaceholderValues bytes = DiffCommand::values("/r/caf\xe9.c", "/r", "");
    EXPECT_EQ(DiffCommand::arguments("diff /base/%BB %BF", bytes), (Words{"diff", "/base/caf\xe9.c", "/r/caf\xe9.c"}));
}

TEST(DiffCommandTest, LogTextQuotesEachValueOnce)
{
    const DiffPlaceholderValues v = DiffCommand::values("/devel/proj/src/file.c", "/devel", "%BF");
    EXPECT_EQ(DiffCommand::substitute("tandor %BF %BR \"/base/\" %BT", v, true),
              "tandor \"/devel/proj/src/file.c\" \"%ROOTPATH%/proj/src/file.c\" \"/base/\" \"%BF\"");
}

} // namespace
